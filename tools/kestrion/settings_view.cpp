#include "settings_view.h"

#include <cstring>
#include <set>

#include "core/socket_port.h"
#include "panel/model/setting_texts.h"

namespace kestrion_cli {

using namespace kestrion;
using tamsel::SettingsRecord;
using kjson::Value;

namespace {


// Element names of the address page; dhcpBootp and rarp are radio groups.
constexpr const char* kOctetKeys[] = {"ipAddress", "subnetMask", "gateway"};

std::string NoChoice(std::int32_t value) { return "選択なし (値 " + std::to_string(value) + ")"; }

std::string ChoiceWords(const std::vector<const char*>& options, std::int32_t value) {
    if (value < 0 || static_cast<std::size_t>(value) >= options.size()) return NoChoice(value);
    return tamsel::WithoutMnemonic(options[static_cast<std::size_t>(value)]);
}

std::string DipWords(std::int32_t state) {
    if (state == 0) return "OFF";
    if (state == 1) return "ON";
    return "不明 (値 " + std::to_string(state) + ")";
}

// One labelled line per setting, in page order; used by show and diff.
struct Line {
    std::string section;
    std::string label;
    std::string words;
};

std::vector<Line> Lines(const SettingsRecord& r) {
    std::vector<Line> lines;
    for (const tamsel::PageText& page : tamsel::ParameterPages()) {
        for (const tamsel::ParamChoice& c : page.choices) {
            lines.push_back({page.caption, c.caption, ChoiceWords(c.options, r.param[c.element])});
        }
    }
    for (const tamsel::AdjustRow& row : tamsel::FineAdjustRows()) {
        lines.push_back({tamsel::FineAdjustPageCaption(), tamsel::WithoutMnemonic(row.label),
                         tamsel::AdjustText(row, r.adjust[row.element])});
    }
    const tamsel::AddressTexts& t = tamsel::AddressPageTexts();
    const std::string page = tamsel::AddressPageCaption();
    lines.push_back({page, t.dhcpGroup, ChoiceWords(t.dhcpOptions, r.address[kDhcpBootp])});
    lines.push_back({page, t.rarpGroup, ChoiceWords(t.rarpOptions, r.address[kRarp])});
    lines.push_back({page, tamsel::WithoutMnemonic(t.ipLabel), FormatDotted(r.address[kIpAddress])});
    lines.push_back({page, tamsel::WithoutMnemonic(t.maskLabel), FormatDotted(r.address[kSubnetMask])});
    lines.push_back({page, tamsel::WithoutMnemonic(t.gatewayLabel), FormatDotted(r.address[kGateway])});
    lines.push_back({page, tamsel::WithoutMnemonic(t.portLabel), std::to_string(r.address[kSocketPort])});
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) {
        lines.push_back({tamsel::DipSwitchPageCaption(), "DIPSW " + std::to_string(i + 1), DipWords(r.param[i])});
    }
    return lines;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        out.push_back(text.substr(start, at - start));
    }
    return out;
}

Value Labelled(const char* caption, std::int32_t value, const char* wordsKey, const std::string& words) {
    Value v = Value::Object();
    v.Add("caption", Value::String(tamsel::WithoutMnemonic(caption)));
    v.Add("value", Value::Number(value));
    v.Add(wordsKey, Value::String(words));
    return v;
}

// --- Import ---------------------------------------------------------------------

class Importer {
public:
    explicit Importer(std::string& error) : errorText(error) {}

    bool Fail(const std::string& field, const std::string& what) {
        errorText = field + ": " + what;
        return false;
    }

    const Value* Object(const Value* v, const std::string& field) {
        if (!v) {
            Fail(field, "missing");
            return nullptr;
        }
        if (v->type != Value::Type::Object) {
            Fail(field, "must be an object");
            return nullptr;
        }
        return v;
    }

    // Refuses keys outside `allowed`.
    bool OnlyKeys(const Value& obj, const std::string& field, const std::set<std::string>& allowed) {
        for (const auto& [key, value] : obj.members) {
            if (!allowed.count(key)) return Fail(field + "." + key, "unknown key");
        }
        return true;
    }

    bool Integer(const Value* v, const std::string& field, long long low, long long high, std::int32_t& out,
                 const std::string& rangeNote = "") {
        if (!v) return Fail(field, "missing");
        const std::optional<long long> n = v->AsInteger();
        if (!n) return Fail(field, "must be an integer");
        if (*n < low || *n > high) {
            return Fail(field, std::to_string(*n) + " is outside " + std::to_string(low) + " to " +
                                   std::to_string(high) + rangeNote);
        }
        out = static_cast<std::int32_t>(*n);
        return true;
    }

    // {"caption": ..., "value": n, "<wordsKey>": ...}: only "value" counts.
    bool Labelled(const Value* v, const std::string& field, const char* wordsKey, long long low, long long high,
                  std::int32_t& out, const std::string& rangeNote = "") {
        const Value* obj = Object(v, field);
        if (!obj || !OnlyKeys(*obj, field, {"caption", "value", wordsKey})) return false;
        return Integer(obj->Find("value"), field + ".value", low, high, out, rangeNote);
    }

private:
    std::string& errorText;
};

}  // namespace

std::string DescribeRecord(const SettingsRecord& record) {
    std::string out;
    std::string section;
    for (const Line& line : Lines(record)) {
        if (line.section == tamsel::DipSwitchPageCaption()) break;  // written as the page writes it
        if (line.section != section) {
            section = line.section;
            out += "[" + section + "]\n";
        }
        out += "  " + line.label + ": " + line.words + "\n";
    }
    out += "[" + std::string(tamsel::DipSwitchPageCaption()) + "]\n";
    for (const std::string& l : SplitCrLf(tamsel::DipSwitchLines(record.param))) out += "  " + l + "\n";
    return out;
}

std::vector<std::string> DiffRecords(const SettingsRecord& a, const SettingsRecord& b) {
    std::vector<std::string> out;
    if (std::memcmp(a.header, b.header, sizeof a.header) != 0) out.push_back("header differs");
    const std::vector<Line> la = Lines(a), lb = Lines(b);
    for (std::size_t i = 0; i < la.size(); ++i) {
        if (la[i].words != lb[i].words) {
            out.push_back(la[i].section + " / " + la[i].label + ": " + la[i].words + " → " + lb[i].words);
        }
    }
    if (out.empty() && !(a == b)) out.push_back("the tags between the blocks differ");
    return out;
}

std::vector<std::string> DiffSentBlocks(const SettingsRecord& printer, const SettingsRecord& sent,
                                        tamsel::SendChoice choice) {
    using tamsel::SendChoice;
    const bool all = choice == SendChoice::All;
    const auto sends = [&](const std::string& section) {
        if (section == tamsel::DipSwitchPageCaption()) return false;
        if (section == tamsel::FineAdjustPageCaption()) return all || choice == SendChoice::Adjust;
        if (section == tamsel::AddressPageCaption()) return all || choice == SendChoice::Address;
        return all || choice == SendChoice::Param;  // the parameter pages
    };
    std::vector<std::string> out;
    const std::vector<Line> before = Lines(printer), after = Lines(sent);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (sends(before[i].section) && before[i].words != after[i].words) {
            out.push_back(before[i].section + " / " + before[i].label + ": " + before[i].words + " → " + after[i].words);
        }
    }
    return out;
}

Value RecordToJson(const SettingsRecord& r) {
    Value params = Value::Object();
    for (const tamsel::PageText& page : tamsel::ParameterPages()) {
        for (const tamsel::ParamChoice& c : page.choices) {
            params.Add(c.key, Labelled(c.caption, r.param[c.element], "option", ChoiceWords(c.options, r.param[c.element])));
        }
    }
    Value adjust = Value::Object();
    for (const tamsel::AdjustRow& row : tamsel::FineAdjustRows()) {
        adjust.Add(row.key, Labelled(row.label, r.adjust[row.element], "text", tamsel::AdjustText(row, r.adjust[row.element])));
    }
    const tamsel::AddressTexts& t = tamsel::AddressPageTexts();
    Value address = Value::Object();
    for (std::size_t i = 0; i < 3; ++i) address.Add(kOctetKeys[i], Value::String(FormatDotted(r.address[i])));
    address.Add("dhcpBootp", Labelled(t.dhcpGroup, r.address[kDhcpBootp], "option", ChoiceWords(t.dhcpOptions, r.address[kDhcpBootp])));
    address.Add("rarp", Labelled(t.rarpGroup, r.address[kRarp], "option", ChoiceWords(t.rarpOptions, r.address[kRarp])));
    address.Add("socketPort", Value::Number(r.address[kSocketPort]));

    Value states = Value::Array();
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) states.items.push_back(Value::Number(r.param[i]));
    Value lines = Value::Array();
    for (const std::string& l : SplitCrLf(tamsel::DipSwitchLines(r.param))) lines.items.push_back(Value::String(l));
    Value dip = Value::Object();
    dip.Add("states", std::move(states));
    dip.Add("lines", std::move(lines));

    Value root = Value::Object();
    root.Add("parameters", std::move(params));
    root.Add("fineAdjust", std::move(adjust));
    root.Add("address", std::move(address));
    root.Add("dipSwitches", std::move(dip));
    return root;
}

std::optional<std::int32_t> ParseDotted(const std::string& text) {
    Octets octets{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        const std::size_t start = pos;
        int value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 3) {
            value = value * 10 + (text[pos] - '0');
            ++pos;
        }
        if (pos == start || value > 255) return std::nullopt;
        octets[i] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return PackOctets(octets);
}

std::optional<SettingsRecord> RecordFromJson(const Value& json, std::string& error) {
    Importer in(error);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};

    if (json.type != Value::Type::Object) {
        in.Fail("(document)", "must be an object");
        return std::nullopt;
    }
    if (!in.OnlyKeys(json, "(document)", {"parameters", "fineAdjust", "address", "dipSwitches"})) return std::nullopt;

    const Value* params = in.Object(json.Find("parameters"), "parameters");
    if (!params) return std::nullopt;
    for (const auto& [key, value] : params->members) {
        if (!tamsel::FindParamChoice(key)) {
            in.Fail("parameters." + key, "unknown key");
            return std::nullopt;
        }
    }
    for (const tamsel::PageText& page : tamsel::ParameterPages()) {
        for (const tamsel::ParamChoice& c : page.choices) {
            // -1 is the value of a group with no button chosen.
            const long long last = static_cast<long long>(c.options.size()) - 1;
            if (!in.Labelled(params->Find(c.key), std::string("parameters.") + c.key, "option", -1, last,
                             param[c.element], " (choices of " + std::string(c.caption) + ")")) {
                return std::nullopt;
            }
        }
    }

    const Value* adj = in.Object(json.Find("fineAdjust"), "fineAdjust");
    if (!adj) return std::nullopt;
    std::set<std::string> adjustKeys;
    for (const tamsel::AdjustRow& row : tamsel::FineAdjustRows()) adjustKeys.insert(row.key);
    if (!in.OnlyKeys(*adj, "fineAdjust", adjustKeys)) return std::nullopt;
    for (const tamsel::AdjustRow& row : tamsel::FineAdjustRows()) {
        // The printer receives the density steps as 8 bits and the distances
        // as 16 bits: anything wider would arrive as another value.
        const bool density = row.element < 2;
        const long long low = density ? -128 : -32768, high = density ? 127 : 32767;
        if (!in.Labelled(adj->Find(row.key), std::string("fineAdjust.") + row.key, "text", low, high,
                         adjust[row.element], density ? " (8-bit value)" : " (16-bit value)")) {
            return std::nullopt;
        }
    }

    const Value* addr = in.Object(json.Find("address"), "address");
    if (!addr) return std::nullopt;
    if (!in.OnlyKeys(*addr, "address", {"ipAddress", "subnetMask", "gateway", "dhcpBootp", "rarp", "socketPort"})) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string field = std::string("address.") + kOctetKeys[i];
        const Value* v = addr->Find(kOctetKeys[i]);
        if (!v) {
            in.Fail(field, "missing");
            return std::nullopt;
        }
        const std::optional<std::int32_t> octets =
            v->type == Value::Type::String ? ParseDotted(v->text) : std::nullopt;
        if (!octets) {
            in.Fail(field, "must be a dotted address such as \"192.168.0.5\"");
            return std::nullopt;
        }
        address[i] = *octets;
    }
    if (!in.Labelled(addr->Find("dhcpBootp"), "address.dhcpBootp", "option", -1, 1, address[kDhcpBootp]) ||
        !in.Labelled(addr->Find("rarp"), "address.rarp", "option", -1, 1, address[kRarp]) ||
        !in.Integer(addr->Find("socketPort"), "address.socketPort", 0, kMaxSocketPort,
                    address[kSocketPort])) {
        return std::nullopt;
    }

    const Value* dip = in.Object(json.Find("dipSwitches"), "dipSwitches");
    if (!dip || !in.OnlyKeys(*dip, "dipSwitches", {"states", "lines"})) return std::nullopt;
    const Value* states = dip->Find("states");
    if (!states || states->type != Value::Type::Array || states->items.size() != kDipSwitchCount) {
        in.Fail("dipSwitches.states", "must be an array of 10 states");
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) {
        const std::string field = "dipSwitches.states[" + std::to_string(i) + "]";
        std::int32_t s = 0;
        if (!in.Integer(&states->items[i], field, 0, tamsel::kDipNotAvailable, s)) return std::nullopt;
        if (s == 2) {
            in.Fail(field, "2 is not a switch state (0 off, 1 on, 3 not available)");
            return std::nullopt;
        }
        param[i] = s;
    }
    return SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
}

}  // namespace kestrion_cli
