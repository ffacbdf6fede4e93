#include "winui/text.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* name;
    std::string utf8;
    std::wstring wide;
};

TEST(Text, WidenAndNarrowRoundTrip) {
    const TextCase cases[] = {
        {"empty", "", L""},
        {"ascii", "KVT 7K4R2B", L"KVT 7K4R2B"},
        {"japanese", "ソルベナ", L"\u30bd\u30eb\u30d9\u30ca"},
        {"full-width parenthesis", "有効（&Y)", L"\u6709\u52b9\uff08&Y)"},
        {"line ends", "a\r\nb\r\n", L"a\r\nb\r\n"},
        {"outside the BMP", "\xF0\x9F\x98\x80", L"\xD83D\xDE00"},
        {"embedded nul", std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(winui::Widen(c.utf8), c.wide);
        EXPECT_EQ(winui::Narrow(c.wide), c.utf8);
    }
}

TEST(Text, BrokenInputBecomesReplacementCharacters) {
    // A lone continuation byte and a cut sequence: never dropped silently,
    // never read past the end.
    EXPECT_EQ(winui::Widen("a\x80z"), L"a\uFFFDz");
    EXPECT_EQ(winui::Widen(std::string_view("\xE3\x82", 2)), L"\uFFFD");
    // A lone high surrogate.
    EXPECT_EQ(winui::Narrow(std::wstring(L"x\xD800y")), "x\xEF\xBF\xBDy");
}

TEST(Text, AnsiRoundTripOfPlainNames) {
    // The printer names handed to the link library: whatever the system code
    // page, ASCII survives both ways.
    EXPECT_EQ(winui::ToAnsi(L"KVT 7K4R2B-55 (USB)"), "KVT 7K4R2B-55 (USB)");
    EXPECT_EQ(winui::FromAnsi("KVT 7K4R2B-55 (USB)"), L"KVT 7K4R2B-55 (USB)");
    EXPECT_EQ(winui::ToAnsi(L""), "");
}

}  // namespace
