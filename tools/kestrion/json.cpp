#include "json.h"

#include <cerrno>
#include <cstdlib>

namespace kjson {

Value Value::Number(long long n) {
    Value v;
    v.type = Type::Number;
    v.text = std::to_string(n);
    return v;
}

Value Value::String(std::string s) {
    Value v;
    v.type = Type::String;
    v.text = std::move(s);
    return v;
}

Value Value::Array(std::vector<Value> items) {
    Value v;
    v.type = Type::Array;
    v.items = std::move(items);
    return v;
}

Value Value::Object() {
    Value v;
    v.type = Type::Object;
    return v;
}

Value& Value::Add(std::string key, Value v) {
    members.emplace_back(std::move(key), std::move(v));
    return *this;
}

const Value* Value::Find(std::string_view key) const {
    for (const auto& [k, v] : members) {
        if (k == key) return &v;
    }
    return nullptr;
}

std::optional<long long> Value::AsInteger() const {
    if (type != Type::Number || text.find_first_of(".eE") != std::string::npos) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') return std::nullopt;
    return n;
}

namespace {

class Parser {
public:
    Parser(std::string_view text, std::string& error) : source(text), errorText(error) {}

    std::optional<Value> Document() {
        SkipSpace();
        std::optional<Value> v = ParseValue(0);
        if (!v) return std::nullopt;
        SkipSpace();
        if (pos != source.size()) return Fail("unexpected text after the document");
        return v;
    }

private:
    static constexpr int kMaxDepth = 64;

    std::nullopt_t Fail(const std::string& what) {
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < pos && i < source.size(); ++i) {
            if (source[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        errorText = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
        return std::nullopt;
    }

    void SkipSpace() {
        while (pos < source.size() &&
               (source[pos] == ' ' || source[pos] == '\t' || source[pos] == '\n' || source[pos] == '\r')) {
            ++pos;
        }
    }

    bool Literal(std::string_view word) {
        if (source.substr(pos, word.size()) != word) return false;
        pos += word.size();
        return true;
    }

    std::optional<Value> ParseValue(int depth) {
        if (depth > kMaxDepth) return Fail("nested too deeply");
        if (pos >= source.size()) return Fail("unexpected end of text");
        const char c = source[pos];
        if (c == '{') return ParseObject(depth);
        if (c == '[') return ParseArray(depth);
        if (c == '"') {
            std::optional<std::string> s = ParseString();
            if (!s) return std::nullopt;
            return Value::String(std::move(*s));
        }
        if (c == '-' || (c >= '0' && c <= '9')) return ParseNumber();
        Value v;
        if (Literal("true")) {
            v.type = Value::Type::Bool;
            v.boolean = true;
            return v;
        }
        if (Literal("false")) {
            v.type = Value::Type::Bool;
            return v;
        }
        if (Literal("null")) return v;
        return Fail("unexpected character");
    }

    std::optional<Value> ParseObject(int depth) {
        ++pos;  // {
        Value obj = Value::Object();
        SkipSpace();
        if (pos < source.size() && source[pos] == '}') {
            ++pos;
            return obj;
        }
        for (;;) {
            SkipSpace();
            if (pos >= source.size() || source[pos] != '"') return Fail("expected a key in quotes");
            std::optional<std::string> key = ParseString();
            if (!key) return std::nullopt;
            if (obj.Find(*key)) return Fail("key \"" + *key + "\" appears twice");
            SkipSpace();
            if (pos >= source.size() || source[pos] != ':') return Fail("expected ':'");
            ++pos;
            SkipSpace();
            std::optional<Value> v = ParseValue(depth + 1);
            if (!v) return std::nullopt;
            obj.Add(std::move(*key), std::move(*v));
            SkipSpace();
            if (pos < source.size() && source[pos] == ',') {
                ++pos;
                continue;
            }
            if (pos < source.size() && source[pos] == '}') {
                ++pos;
                return obj;
            }
            return Fail("expected ',' or '}'");
        }
    }

    std::optional<Value> ParseArray(int depth) {
        ++pos;  // [
        Value arr = Value::Array();
        SkipSpace();
        if (pos < source.size() && source[pos] == ']') {
            ++pos;
            return arr;
        }
        for (;;) {
            SkipSpace();
            std::optional<Value> v = ParseValue(depth + 1);
            if (!v) return std::nullopt;
            arr.items.push_back(std::move(*v));
            SkipSpace();
            if (pos < source.size() && source[pos] == ',') {
                ++pos;
                continue;
            }
            if (pos < source.size() && source[pos] == ']') {
                ++pos;
                return arr;
            }
            return Fail("expected ',' or ']'");
        }
    }

    std::optional<Value> ParseNumber() {
        const std::size_t start = pos;
        if (source[pos] == '-') ++pos;
        const auto digits = [this] {
            const std::size_t from = pos;
            while (pos < source.size() && source[pos] >= '0' && source[pos] <= '9') ++pos;
            return pos > from;
        };
        if (!digits()) return Fail("expected a digit");
        if (pos < source.size() && source[pos] == '.') {
            ++pos;
            if (!digits()) return Fail("expected a digit after '.'");
        }
        if (pos < source.size() && (source[pos] == 'e' || source[pos] == 'E')) {
            ++pos;
            if (pos < source.size() && (source[pos] == '+' || source[pos] == '-')) ++pos;
            if (!digits()) return Fail("expected a digit in the exponent");
        }
        Value v;
        v.type = Value::Type::Number;
        v.text = std::string(source.substr(start, pos - start));
        return v;
    }

    static void AppendUtf8(std::string& out, unsigned long cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::optional<unsigned long> Hex4() {
        if (pos + 4 > source.size()) return std::nullopt;
        unsigned long v = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = source[pos++];
            v <<= 4;
            if (h >= '0' && h <= '9') v |= static_cast<unsigned long>(h - '0');
            else if (h >= 'a' && h <= 'f') v |= static_cast<unsigned long>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v |= static_cast<unsigned long>(h - 'A' + 10);
            else return std::nullopt;
        }
        return v;
    }

    std::optional<std::string> ParseString() {
        ++pos;  // opening quote
        std::string out;
        while (pos < source.size()) {
            const char c = source[pos++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos >= source.size()) break;
            const char e = source[pos++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    std::optional<unsigned long> cp = Hex4();
                    if (!cp) return Fail("bad \\u escape");
                    if (*cp >= 0xD800 && *cp < 0xDC00) {
                        if (!Literal("\\u")) return Fail("lone surrogate");
                        std::optional<unsigned long> low = Hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) return Fail("bad surrogate pair");
                        *cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
                    } else if (*cp >= 0xDC00 && *cp <= 0xDFFF) {
                        return Fail("lone surrogate");
                    }
                    AppendUtf8(out, *cp);
                    break;
                }
                default: return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    std::string_view source;
    std::string& errorText;
    std::size_t pos = 0;
};

void Quote(const std::string& s, std::string& out) {
    out += '"';
    for (const char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static const char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

bool AllScalars(const Value& v) {
    for (const Value& item : v.items) {
        if (item.type == Value::Type::Array || item.type == Value::Type::Object) return false;
    }
    return true;
}

void WriteValue(const Value& v, int indent, std::string& out) {
    const std::string pad(static_cast<std::size_t>(indent) * 2, ' ');
    const std::string inner(static_cast<std::size_t>(indent + 1) * 2, ' ');
    switch (v.type) {
        case Value::Type::Null: out += "null"; break;
        case Value::Type::Bool: out += v.boolean ? "true" : "false"; break;
        case Value::Type::Number: out += v.text; break;
        case Value::Type::String: Quote(v.text, out); break;
        case Value::Type::Array:
            if (v.items.empty() || AllScalars(v)) {
                out += '[';
                for (std::size_t i = 0; i < v.items.size(); ++i) {
                    if (i) out += ", ";
                    WriteValue(v.items[i], indent + 1, out);
                }
                out += ']';
                break;
            }
            out += "[\n";
            for (std::size_t i = 0; i < v.items.size(); ++i) {
                out += inner;
                WriteValue(v.items[i], indent + 1, out);
                out += i + 1 < v.items.size() ? ",\n" : "\n";
            }
            out += pad + "]";
            break;
        case Value::Type::Object:
            if (v.members.empty()) {
                out += "{}";
                break;
            }
            out += "{\n";
            for (std::size_t i = 0; i < v.members.size(); ++i) {
                out += inner;
                Quote(v.members[i].first, out);
                out += ": ";
                WriteValue(v.members[i].second, indent + 1, out);
                out += i + 1 < v.members.size() ? ",\n" : "\n";
            }
            out += pad + "}";
            break;
    }
}

}  // namespace

std::optional<Value> Parse(std::string_view text, std::string& error) { return Parser(text, error).Document(); }

std::string Write(const Value& v) {
    std::string out;
    WriteValue(v, 0, out);
    out += '\n';
    return out;
}

}  // namespace kjson
