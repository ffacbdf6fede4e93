#include "tools/kestrion/json.h"

#include <gtest/gtest.h>

namespace kjson {
namespace {

TEST(Json, ParsesWhatItWrites) {
    Value root = Value::Object();
    root.Add("text", Value::String("後方 \"5.7\" mm\n\t\\"));
    root.Add("numbers", Value::Array({Value::Number(-32768), Value::Number(0), Value::Number(2147483647)}));
    root.Add("nested", Value::Object().Add("empty", Value::Array()));
    std::string error;
    const std::optional<Value> back = Parse(Write(root), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->Find("text")->text, "後方 \"5.7\" mm\n\t\\");
    EXPECT_EQ(back->Find("numbers")->items[0].AsInteger(), -32768);
    EXPECT_EQ(back->Find("numbers")->items[2].AsInteger(), 2147483647);
    EXPECT_EQ(back->Find("nested")->Find("empty")->items.size(), 0u);
}

TEST(Json, EscapesAndLiterals) {
    std::string error;
    const std::optional<Value> v = Parse(R"({"a": "\u5f8c\u65b9", "b": "\ud83d\ude00", "t": true, "n": null, "f": 1.5})", error);
    ASSERT_TRUE(v) << error;
    EXPECT_EQ(v->Find("a")->text, "後方");
    EXPECT_EQ(v->Find("b")->text, "\xF0\x9F\x98\x80");
    EXPECT_TRUE(v->Find("t")->boolean);
    EXPECT_EQ(v->Find("n")->type, Value::Type::Null);
    EXPECT_EQ(v->Find("f")->AsInteger(), std::nullopt);  // not an integer
}

TEST(Json, RefusesMalformedDocumentsWithAPosition) {
    const std::pair<const char*, const char*> cases[] = {
        {"{\"a\": 1,}", "expected a key"},
        {"{\"a\": 1} x", "after the document"},
        {"{\"a\": 1, \"a\": 2}", "appears twice"},
        {"[1, 2", "expected ',' or ']'"},
        {"\"open", "unterminated string"},
        {"\"\\ud800\"", "lone surrogate"},
        {"-", "expected a digit"},
        {"", "unexpected end"},
        {"{\"a\":\n  tru}", "line 2, column 3"},
    };
    for (const auto& [text, message] : cases) {
        std::string error;
        EXPECT_FALSE(Parse(text, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << " gave: " << error;
    }
    std::string deep(200, '[');
    std::string error;
    EXPECT_FALSE(Parse(deep, error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos);
}

TEST(Json, IntegersOutsideTheRangeAreNotIntegers) {
    std::string error;
    const std::optional<Value> v = Parse("[99999999999999999999, 1e3, -0]", error);
    ASSERT_TRUE(v) << error;
    EXPECT_EQ(v->items[0].AsInteger(), std::nullopt);
    EXPECT_EQ(v->items[1].AsInteger(), std::nullopt);
    EXPECT_EQ(v->items[2].AsInteger(), 0);
}

}  // namespace
}  // namespace kjson
