#include "sim/printer_model.h"

#include "core/settings_record.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace printersim {

using namespace kestrion;

namespace {

// Every command ends with LF and one 0x00; further 0x00 bytes between
// commands are padding and skipped without a word.
inline constexpr std::uint8_t kNul = 0x00;

// An unknown command is taken up to its LF 00 or the next ESC; one that shows
// neither within this many bytes is thrown away as noise.
inline constexpr std::size_t kMaxUnknownLength = 256;
// Longest piece of a strange command shown in the log.
inline constexpr std::size_t kMaxLoggedBytes = 48;

// Bytes of the settings reply that carry no field. None of them is CR, LF or
// 0x00, so no terminator pair can form across a filler byte.
inline constexpr std::uint8_t kFill = 0xFF;
inline constexpr char kIdentText[] = "KVT 7K4R FW1.07";  // bytes 2.. of the reply
inline constexpr std::size_t kIdentOffset = 2;
inline constexpr std::size_t kIdentEnd = kReplyDipHighOffset;
inline constexpr std::uint8_t kIdentPad = ' ';
inline constexpr std::uint8_t kStatusReplyStart0 = 0x01;
inline constexpr std::uint8_t kStatusReplyStart1 = 0x02;
inline constexpr int kStatusModulus = 100;  // the status travels as two digits

// The device's command forms. Every form has a fixed length; it is recognised
// by its text header, and the bytes behind the header (binary for the two
// block commands, the port bytes of the address run) are taken by length, not
// by looking for LF, since they may hold 0A and 00 themselves.
enum class Form {
    StatusQuery,
    ParamQuery,
    Reset,
    ParamSet,
    AdjustSet,
    IpAddress,
    SubnetMask,
    Gateway,
    IpFunction,  // DHCP/BOOTP or RARP on/off, by digit
    SocketPort,
};

struct FormInfo {
    Form form;
    std::string_view header;
    std::size_t length;  // LF and the one 0x00 included
};

// ESC "IP;n," + "ddd,ddd,ddd,ddd" + LF + 00
inline constexpr std::size_t kIpHeaderLength = 6;
inline constexpr std::size_t kIpTextLength = 15;
inline constexpr std::size_t kIpCommandLength = kIpHeaderLength + kIpTextLength + 2;
// ESC "KVT;IH;" + digit + LF + 00
inline constexpr std::size_t kIhHeaderLength = 8;
inline constexpr std::size_t kIhCommandLength = kIhHeaderLength + 1 + 2;
// ESC "KVT;PN," + high byte + low byte + LF + 00
inline constexpr std::size_t kPnHeaderLength = 8;
inline constexpr std::size_t kPnCommandLength = kPnHeaderLength + 2 + 2;

// IH digits: DHCP/BOOTP enabled/disabled, RARP enabled/disabled.
inline constexpr char kDhcpOn = '0', kDhcpOff = '1', kRarpOn = '2', kRarpOff = '3';

using namespace std::string_view_literals;
inline constexpr std::array<FormInfo, 10> kForms{{
    {Form::StatusQuery, "\x1bWS\n\0"sv, kStatusQueryLength},
    {Form::ParamQuery, "\x1bKVT;Z2;0\n\0"sv, kParamQueryLength},
    {Form::Reset, "\x1bKVT;Z0\n\0"sv, kResetCommandLength},
    {Form::ParamSet, "\x1bKVT;Z2;1,"sv, kParamSetLength},
    {Form::AdjustSet, "\x1bKVT;Z2;2,"sv, kAdjustSetLength},
    {Form::IpAddress, "\x1bIP;2,"sv, kIpCommandLength},
    {Form::SubnetMask, "\x1bIP;4,"sv, kIpCommandLength},
    {Form::Gateway, "\x1bIP;3,"sv, kIpCommandLength},
    {Form::IpFunction, "\x1bKVT;IH;"sv, kIhCommandLength},
    {Form::SocketPort, "\x1bKVT;PN,"sv, kPnCommandLength},
}};

// ParamSet and AdjustSet carry 00 bytes behind their values.
inline constexpr std::size_t kParamSetZeros[] = {13, 15, 16, 17};
inline constexpr std::size_t kAdjustSetZeros[] = {24, 25};
// "ddd,ddd,ddd,ddd": a comma every fourth character.
inline constexpr std::size_t kOctetTextStride = 4;

// "ddd,ddd,ddd,ddd" with every number at most 255.
bool ParseOctets(const std::uint8_t* text, Octets& octets) {
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t* p = text + i * 4;
        int value = 0;
        for (std::size_t d = 0; d < 3; ++d) {
            if (p[d] < '0' || p[d] > '9') return false;
            value = value * 10 + (p[d] - '0');
        }
        if (value > 255) return false;
        if (i < 3 && p[3] != ',') return false;
        octets[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

// Whether the first `available` bytes of a command whose header matched can
// still be that command. Checked as bytes arrive, so that a command cut short
// is given up as soon as the next command's bytes show it, instead of
// swallowing them.
bool Plausible(const FormInfo& info, const std::uint8_t* c, std::size_t available) {
    const auto byteIs = [&](std::size_t at, std::uint8_t expected) { return at >= available || c[at] == expected; };
    if (!byteIs(info.length - 2, kLf) || !byteIs(info.length - 1, kNul)) return false;
    switch (info.form) {
    case Form::ParamSet:
        for (std::size_t at : kParamSetZeros) {
            if (!byteIs(at, kNul)) return false;
        }
        return true;
    case Form::AdjustSet:
        for (std::size_t at : kAdjustSetZeros) {
            if (!byteIs(at, kNul)) return false;
        }
        return true;
    case Form::IpAddress:
    case Form::SubnetMask:
    case Form::Gateway: {
        for (std::size_t t = 0; t < kIpTextLength && kIpHeaderLength + t < available; ++t) {
            const std::uint8_t b = c[kIpHeaderLength + t];
            const bool comma = t % kOctetTextStride == kOctetTextStride - 1;
            if (comma ? b != ',' : (b < '0' || b > '9')) return false;
        }
        if (available < info.length) return true;
        Octets octets{};
        return ParseOctets(c + kIpHeaderLength, octets);
    }
    case Form::IpFunction:
        return kIhHeaderLength >= available || (c[kIhHeaderLength] >= kDhcpOn && c[kIhHeaderLength] <= kRarpOff);
    default:
        return true;
    }
}

std::string Printable(const std::uint8_t* data, std::size_t size) {
    std::string out;
    const std::size_t shown = std::min(size, kMaxLoggedBytes);
    for (std::size_t i = 0; i < shown; ++i) {
        const std::uint8_t b = data[i];
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", b);
            out += hex;
        }
    }
    if (shown < size) out += "...";
    return out;
}

struct ParamWords {
    const char* name;
    std::array<const char*, 4> values;
};

// Index 10-30 of the PARAM block, in words.
const std::array<ParamWords, kParamCount - kDipSwitchCount> kParamWords{{
    {"power-on break error display", {"shown", "not shown"}},
    {"paper check at power-on/cover close", {"check", "no check"}},
    {"error buzzer", {"on", "off"}},
    {"cutter option control", {"full cut", "partial cut"}},
    {"automatic top-of-form", {"enabled", "disabled"}},
    {"automatic cut return time", {"unlimited", "8 s", "15 s"}},
    {"thin paper mode", {"disabled", "enabled"}},
    {"black mark top control", {"upper edge of the mark", "lower edge of the mark"}},
    {"zero slash", {"without", "with"}},
    {"state at start-up", {"online", "offline"}},
    {"printing by the FEED switch", {"no", "yes"}},
    {"automatic cut position feed", {"enabled", "disabled"}},
    {"parallel ACK width", {"0.5 us", "8 us"}},
    {"input prime", {"disabled", "enabled"}},
    {"automatic status sending", {"disabled", "enabled", "command priority"}},
    {"backfeed speed", {"6 ips", "2 ips", "3 ips", "4 ips"}},
    {"stop position after cover close", {"kept", "cleared"}},
    {"print direction", {"command priority", "normal", "rotated 180 degrees"}},
    {"mirror printing", {"command priority", "normal", "mirrored"}},
    {"page control", {"sensor priority", "paper-length priority"}},
    {"USB serial number", {"sent", "not sent"}},
}};

const std::array<const char*, kAdjustCount> kAdjustNames{
    "density (direct thermal)", "density (thermal transfer)", "feed amount", "cut position",
    "automatic cut position feed", "return position", "automatic forward standby position",
    "X position"};
inline constexpr std::size_t kAdjustStepCount = 2;  // ADJUST[0], [1] are steps, the rest 0.1 mm

std::string DescribeAdjust(std::size_t index, std::int32_t value) {
    char text[96];
    if (index < kAdjustStepCount) {
        std::snprintf(text, sizeof text, "%s %+d", kAdjustNames[index], static_cast<int>(value));
    } else {
        const int magnitude = value < 0 ? -value : value;
        std::snprintf(text, sizeof text, "%s %c%d.%d mm", kAdjustNames[index], value < 0 ? '-' : '+',
                      magnitude / 10, magnitude % 10);
    }
    return text;
}

std::string OnOff(bool enabled) { return enabled ? "enabled" : "disabled"; }

}  // namespace

std::string DescribeParam(std::size_t index, std::int32_t value) {
    if (index < kDipSwitchCount) {
        return "DIP switch " + std::to_string(index + 1) + (value == 1 ? " on" : " off");
    }
    if (index >= kParamCount) return "unknown parameter";
    const ParamWords& words = kParamWords[index - kDipSwitchCount];
    const char* text = nullptr;
    if (value >= 0 && static_cast<std::size_t>(value) < words.values.size()) text = words.values[value];
    return std::string(words.name) + " " + (text ? text : "value " + std::to_string(value));
}

PrinterSettings FactorySettings() {
    // The factory record's blocks; its DIP switch states are all off.
    const tamsel::SettingsRecord factory = tamsel::SettingsRecord::Factory();
    PrinterSettings s;
    std::copy(std::begin(factory.param), std::end(factory.param), s.param.begin());
    std::copy(std::begin(factory.adjust), std::end(factory.adjust), s.adjust.begin());
    std::copy(std::begin(factory.address), std::end(factory.address), s.address.begin());
    return s;
}

Bytes BuildStatusReply(std::int32_t status) {
    // Two decimal digits; a value outside 0..99 is sent as its last two digits.
    int value = static_cast<int>(status % kStatusModulus);
    if (value < 0) value = -value;
    return Bytes{kStatusReplyStart0, kStatusReplyStart1, static_cast<std::uint8_t>('0' + value / 10),
                 static_cast<std::uint8_t>('0' + value % 10), kCr, kLf};
}

Bytes BuildParamReply(const PrinterSettings& s) {
    Bytes reply(kParamReplyLength, kFill);
    reply[0] = kParamReplyWordHigh;
    reply[1] = kParamReplyWordLow;
    // The device names itself in the first bytes, padded with spaces.
    for (std::size_t i = kIdentOffset; i < kIdentEnd; ++i) {
        const std::size_t t = i - kIdentOffset;
        reply[i] = t < sizeof kIdentText - 1 ? static_cast<std::uint8_t>(kIdentText[t]) : kIdentPad;
    }
    // DIP switches: 9 and 10 in bits 0 and 1 of byte 24, 1 to 8 in byte 25.
    std::uint8_t high = 0;
    std::uint8_t low = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        if (s.param[i] == 1) low |= static_cast<std::uint8_t>(1u << i);
    }
    if (s.param[8] == 1) high |= 0x01;
    if (s.param[9] == 1) high |= 0x02;
    reply[kReplyDipHighOffset] = high;
    reply[kReplyDipLowOffset] = low;

    const ParamBits bits = EncodeParamBits(s.param.data());
    std::copy(bits.begin(), bits.end(), reply.begin() + kReplyParamBitsOffset);
    const AdjustValues values = EncodeAdjustValues(s.adjust.data());
    std::copy(values.begin(), values.end(), reply.begin() + kReplyAdjustOffset);

    reply[kReplyDhcpOffset] = s.address[kDhcpBootp] != 0 ? 1 : 0;
    reply[kReplyRarpOffset] = s.address[kRarp] != 0 ? 1 : 0;
    const std::size_t octetOffsets[3] = {kReplyIpOffset, kReplyMaskOffset, kReplyGatewayOffset};
    for (std::size_t i = 0; i < 3; ++i) {
        const Octets o = UnpackOctets(s.address[i]);
        std::copy(o.begin(), o.end(), reply.begin() + octetOffsets[i]);
    }
    const auto port = static_cast<std::uint16_t>(s.address[kSocketPort]);
    reply[kReplyPortOffset] = static_cast<std::uint8_t>(port >> 8);
    reply[kReplyPortOffset + 1] = static_cast<std::uint8_t>(port & 0xFF);

    reply[kParamReplyLength - 2] = kCr;
    reply[kParamReplyLength - 1] = kLf;
    return reply;
}

// One step of the parser over the pending bytes.
struct PrinterModel::Step {
    enum Kind { NeedMore, Skipped, Command } kind = NeedMore;
    Form form = Form::StatusQuery;
    Bytes bytes;  // the whole command
};

PrinterModel::PrinterModel(PrinterSettings initial) : settings(initial) {}

PrinterModel::Step PrinterModel::ParseOne(std::vector<std::string>& lines) {
    Step step;
    if (pending.empty()) return step;

    // Between commands: padding 0x00 is normal, anything else up to the next
    // ESC is noise that the device throws away.
    if (pending[0] != kEsc) {
        const auto esc = std::find(pending.begin(), pending.end(), kEsc);
        const std::size_t count = static_cast<std::size_t>(esc - pending.begin());
        const bool allPadding = std::all_of(pending.begin(), esc, [](std::uint8_t b) { return b == kNul; });
        if (!allPadding) {
            lines.push_back("ignored " + std::to_string(count) + " stray byte(s): " + Printable(pending.data(), count));
        }
        pending.erase(pending.begin(), esc);
        step.kind = Step::Skipped;
        return step;
    }

    for (const FormInfo& info : kForms) {
        const std::size_t compared = std::min(pending.size(), info.header.size());
        if (std::memcmp(pending.data(), info.header.data(), compared) != 0) continue;
        const std::size_t available = std::min(pending.size(), info.length);
        const std::uint8_t* c = pending.data();
        if (!Plausible(info, c, available)) {
            // Throw away only the ESC: the rest may well be the next command,
            // when this one arrived short.
            lines.push_back("ignored malformed command: " + Printable(c, available));
            pending.erase(pending.begin());
            step.kind = Step::Skipped;
            return step;
        }
        if (available < info.length) return step;  // a known command still arriving
        step.kind = Step::Command;
        step.form = info.form;
        step.bytes.assign(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(info.length));
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(info.length));
        return step;
    }

    // An ESC command the device does not know: drop it through its LF 00, or
    // up to the next ESC, whichever comes first.
    std::size_t end = 0;
    for (std::size_t i = 1; i < pending.size(); ++i) {
        if (pending[i] == kEsc) {
            end = i;
            break;
        }
        if (pending[i] == kLf && i + 1 < pending.size() && pending[i + 1] == kNul) {
            end = i + 2;
            break;
        }
    }
    if (end == 0) {
        if (pending.size() < kMaxUnknownLength) return step;
        end = pending.size();
    }
    lines.push_back("ignored unknown command: " + Printable(pending.data(), end));
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(end));
    step.kind = Step::Skipped;
    return step;
}

void PrinterModel::Apply(const Step& step, std::vector<std::string>& lines, std::vector<Answer>& answers) {
    const std::uint8_t* c = step.bytes.data();
    const std::string notApplied = ignoreSets ? " (not applied)" : "";
    Answer answer;
    switch (step.form) {
    case Form::StatusQuery: {
        answer.kind = CommandKind::StatusQuery;
        answer.reply = BuildStatusReply(settings.status);
        lines.push_back("StatusQuery: answered status " +
                        std::string(answer.reply.begin() + 2, answer.reply.begin() + 4));
        break;
    }
    case Form::ParamQuery: {
        answer.kind = CommandKind::ParamQuery;
        answer.reply = BuildParamReply(settings);
        lines.push_back("ParamQuery: answered the settings (IP " + FormatDotted(settings.address[kIpAddress]) +
                        ", socket port " + std::to_string(static_cast<std::uint16_t>(settings.address[kSocketPort])) +
                        ")");
        break;
    }
    case Form::Reset: {
        answer.kind = CommandKind::Reset;
        ++resetCount;
        lines.push_back("ResetCommand: the printer restarts (restart " + std::to_string(resetCount) + ")");
        break;
    }
    case Form::ParamSet: {
        answer.kind = CommandKind::ParamSet;
        ParamBlock next = settings.param;
        DecodeParamBits(c + kBlockHeaderLength, next.data());  // leaves the DIP switches alone
        std::string changes;
        int count = 0;
        for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) {
            if (next[i] == settings.param[i]) continue;
            changes +=
                (count++ ? ", " : ": ") + DescribeParam(i, next[i]) + " (was " +
                DescribeParam(i, settings.param[i]).substr(std::strlen(kParamWords[i - kDipSwitchCount].name) + 1) +
                ")";
        }
        lines.push_back("ParamSet" + notApplied + (count ? changes : ": no change"));
        if (!ignoreSets) settings.param = next;
        break;
    }
    case Form::AdjustSet: {
        answer.kind = CommandKind::AdjustSet;
        AdjustBlock next{};
        DecodeAdjustValues(c + kBlockHeaderLength, next.data());
        std::string text = "AdjustSet" + notApplied + ": ";
        for (std::size_t i = 0; i < kAdjustCount; ++i) text += (i ? ", " : "") + DescribeAdjust(i, next[i]);
        lines.push_back(text);
        if (!ignoreSets) settings.adjust = next;
        break;
    }
    case Form::IpAddress:
    case Form::SubnetMask:
    case Form::Gateway: {
        answer.kind = CommandKind::AddressPart;
        Octets octets{};
        ParseOctets(c + kIpHeaderLength, octets);
        const std::int32_t value = PackOctets(octets);
        const std::size_t index = step.form == Form::IpAddress    ? kIpAddress
                                  : step.form == Form::SubnetMask ? kSubnetMask
                                                                  : kGateway;
        const char* names[] = {"IP address", "subnet mask", "default gateway"};
        lines.push_back(std::string("AddressSet") + notApplied + ": " + names[index] + " " + FormatDotted(value));
        if (!ignoreSets) settings.address[index] = value;
        break;
    }
    case Form::IpFunction: {
        answer.kind = CommandKind::AddressPart;
        const char digit = static_cast<char>(c[kIhHeaderLength]);
        const bool dhcp = digit == kDhcpOn || digit == kDhcpOff;
        const bool disabled = digit == kDhcpOff || digit == kRarpOff;
        lines.push_back(std::string("AddressSet") + notApplied + ": " + (dhcp ? "DHCP/BOOTP " : "RARP ") +
                        OnOff(!disabled));
        if (!ignoreSets) settings.address[dhcp ? kDhcpBootp : kRarp] = disabled ? 1 : 0;
        break;
    }
    case Form::SocketPort: {
        answer.kind = CommandKind::AddressPart;
        const std::int32_t port = (c[kPnHeaderLength] << 8) | c[kPnHeaderLength + 1];
        lines.push_back("AddressSet" + notApplied + ": socket port " + std::to_string(port));
        if (!ignoreSets) settings.address[kSocketPort] = port;
        break;
    }
    }
    answers.push_back(std::move(answer));
}

void PrinterModel::Emit(const std::vector<std::string>& lines) {
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(mutex);
        logLines.insert(logLines.end(), lines.begin(), lines.end());
        // Only the latest lines are kept: a printer that serves for days, or
        // a flood of garbage, must not grow without end.
        if (logLines.size() > 2 * kLogCapacity) logLines.erase(logLines.begin(), logLines.end() - static_cast<std::ptrdiff_t>(kLogCapacity));
        sink = logSink;
    }
    if (!sink) return;
    for (const std::string& line : lines) sink(line);
}

std::vector<Answer> PrinterModel::FeedCommands(const std::uint8_t* data, std::size_t size) {
    std::vector<Answer> answers;
    std::vector<std::string> lines;
    {
        std::lock_guard lock(mutex);
        pending.insert(pending.end(), data, data + size);
        for (;;) {
            Step step = ParseOne(lines);
            if (step.kind == Step::NeedMore) break;
            if (step.kind == Step::Command) Apply(step, lines, answers);
        }
    }
    Emit(lines);
    return answers;
}

Bytes PrinterModel::Feed(const std::uint8_t* data, std::size_t size) {
    Bytes out;
    for (const Answer& a : FeedCommands(data, size)) out.insert(out.end(), a.reply.begin(), a.reply.end());
    return out;
}

void PrinterModel::EndOfInput() {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(mutex);
        if (pending.empty()) return;
        const bool allPadding = std::all_of(pending.begin(), pending.end(), [](std::uint8_t b) { return b == kNul; });
        if (!allPadding) lines.push_back("ignored incomplete command: " + Printable(pending.data(), pending.size()));
        pending.clear();
    }
    Emit(lines);
}

PrinterSettings PrinterModel::Settings() const {
    std::lock_guard lock(mutex);
    return settings;
}

void PrinterModel::SetSettings(const PrinterSettings& s) {
    std::lock_guard lock(mutex);
    settings = s;
}

void PrinterModel::SetIgnoreSets(bool ignore) {
    std::lock_guard lock(mutex);
    ignoreSets = ignore;
}

int PrinterModel::ResetCount() const {
    std::lock_guard lock(mutex);
    return resetCount;
}

std::vector<std::string> PrinterModel::Log() const {
    std::lock_guard lock(mutex);
    return logLines;
}

void PrinterModel::SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(mutex);
    logSink = std::move(sink);
}

}  // namespace printersim
