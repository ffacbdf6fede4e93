// A small JSON reader and writer, enough for settings exchanged with scripts:
// objects keep their key order, numbers are kept as text so that integers
// survive exactly.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kjson {

struct Value {
    enum class Type { Null, Bool, Number, String, Array, Object };
    Type type = Type::Null;
    bool boolean = false;
    std::string text;  // Number: its literal; String: the decoded UTF-8 text
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;

    static Value Number(long long n);
    static Value String(std::string s);
    static Value Array(std::vector<Value> items = {});
    static Value Object();
    Value& Add(std::string key, Value v);  // appends a member, returns *this

    const Value* Find(std::string_view key) const;
    // The number as an integer when it is one (no fraction, no exponent) and fits.
    std::optional<long long> AsInteger() const;
};

// Parses a whole document. On failure returns nullopt and sets `error` to a
// message with the line and column.
std::optional<Value> Parse(std::string_view text, std::string& error);

// Writes with two-space indentation; arrays of numbers stay on one line.
std::string Write(const Value& v);

}  // namespace kjson
