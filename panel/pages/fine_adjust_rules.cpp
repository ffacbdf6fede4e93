#include "panel/pages/fine_adjust_rules.h"

#include <cstdlib>

#include "panel/model/setting_texts.h"
#include "panel/pages/leading_number.h"
#include "panel/res/pages_set_ip_ids.h"

namespace tamsel {
namespace {

constexpr const char* kZeroTenths = "0.0";

// Bytes of the UTF-8 sequence that starts with this lead byte (1 for a stray
// continuation byte, so that broken text still advances).
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// Bytes one character takes in the double-byte code page.
std::size_t CodePageBytes(std::string_view utf8, std::size_t at, std::size_t length) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) return 1;
    if (length == 3 && at + 2 < utf8.size()) {
        const unsigned codePoint = ((lead & 0x0Fu) << 12) | ((static_cast<unsigned char>(utf8[at + 1]) & 0x3Fu) << 6) |
                                   (static_cast<unsigned char>(utf8[at + 2]) & 0x3Fu);
        if (codePoint >= 0xFF61 && codePoint <= 0xFF9F) return 1;  // half-width katakana
    }
    return 2;
}

const AdjustRow& TextRow(std::size_t element) {
    for (const AdjustRow& row : FineAdjustRows()) {
        if (row.element == element) return row;
    }
    return FineAdjustRows().front();
}

}  // namespace

const std::array<FineAdjustRow, 8>& FineAdjustControlRows() {
    static const std::array<FineAdjustRow, 8> rows = {{
        {0, IDC_SET_THERMAL_EDIT, IDC_SET_THERMAL_SPIN, 0, -10, 10, 3, "10", "-10"},
        {1, IDC_SET_TRANSFER_EDIT, IDC_SET_TRANSFER_SPIN, 0, -10, 10, 3, "10", "-10"},
        {2, IDC_SET_FEED_EDIT, IDC_SET_FEED_SPIN, IDC_SET_FEED_LIST, 0, 99, 5, "9.9", "0.0"},
        {3, IDC_SET_CUT_EDIT, IDC_SET_CUT_SPIN, IDC_SET_CUT_LIST, 0, 99, 5, "9.9", "0.0"},
        {4, IDC_SET_AUTOCUT_EDIT, IDC_SET_AUTOCUT_SPIN, IDC_SET_AUTOCUT_LIST, 0, 99, 5, "9.9", "0.0"},
        {5, IDC_SET_RETURN_EDIT, IDC_SET_RETURN_SPIN, IDC_SET_RETURN_LIST, 0, 99, 4, "9.9", "0.0"},
        {6, IDC_SET_STANDBY_EDIT, IDC_SET_STANDBY_SPIN, IDC_SET_STANDBY_LIST, 0, 99, 4, "9.9", "0.0"},
        {7, IDC_SET_XPOS_EDIT, IDC_SET_XPOS_SPIN, IDC_SET_XPOS_LIST, 0, 1057, 5, "105.7", "0.0"},
    }};
    return rows;
}

const FineAdjustRow* FineAdjustRowOfEdit(int editId) {
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        if (row.editId == editId) return &row;
    }
    return nullptr;
}

const FineAdjustRow* FineAdjustRowOfSpin(int spinId) {
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        if (row.spinId == spinId) return &row;
    }
    return nullptr;
}

std::array<std::string, 2> DirectionItems(const FineAdjustRow& row) {
    const AdjustRow& texts = TextRow(row.element);
    if (row.IsDensity() || texts.positive == nullptr) return {};
    return {texts.positive, texts.negative};
}

std::string TenthsText(std::int64_t tenths) {
    // Magnitude in unsigned arithmetic so that the most negative value works.
    const bool negative = tenths < 0;
    const std::uint64_t magnitude =
        negative ? std::uint64_t{0} - static_cast<std::uint64_t>(tenths) : static_cast<std::uint64_t>(tenths);
    return std::string(negative ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

ShownAdjust ShowAdjust(const FineAdjustRow& row, std::int32_t value) {
    if (row.IsDensity()) {
        return {std::to_string(value), std::string(), static_cast<std::uint16_t>(static_cast<std::uint32_t>(value))};
    }
    const std::array<std::string, 2> directions = DirectionItems(row);
    const std::int64_t magnitude = std::llabs(static_cast<long long>(value));
    return {TenthsText(magnitude), directions[value >= 0 ? 0 : 1],
            static_cast<std::uint16_t>(static_cast<std::uint64_t>(magnitude))};
}

std::int32_t TakeAdjust(const FineAdjustRow& row, std::string_view editText, std::string_view listText) {
    if (row.IsDensity()) return LeadingInteger(editText);
    const bool positive = listText == DirectionItems(row)[0];
    return TruncateToInt32(LeadingNumber(editText) * (positive ? 10.0 : -10.0));
}

std::string SpinPositionText(int position) { return TenthsText(position); }

FineAdjustTexts ShowAdjustBlock(const SettingsRecord& record) {
    FineAdjustTexts texts;
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        const ShownAdjust shown = ShowAdjust(row, record.adjust[row.element]);
        texts.editTexts[row.element] = shown.editText;
        texts.listTexts[row.element] = shown.listText;
    }
    return texts;
}

void TakeAdjustBlock(const FineAdjustTexts& texts, SettingsRecord& record) {
    for (const FineAdjustRow& row : FineAdjustControlRows()) {
        record.adjust[row.element] = TakeAdjust(row, texts.editTexts[row.element], texts.listTexts[row.element]);
    }
}

// --- Range guard ---------------------------------------------------------------

std::size_t DoubleByteLength(std::string_view utf8) {
    std::size_t bytes = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        bytes += CodePageBytes(utf8, at, length);
        at += length;
    }
    return bytes;
}

std::string_view FirstBytes(std::string_view utf8, std::size_t maxBytes) {
    std::size_t bytes = 0;
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        const std::size_t width = CodePageBytes(utf8, at, length);
        if (bytes + width > maxBytes) break;
        bytes += width;
        at += length;
    }
    return utf8.substr(0, std::min(at, utf8.size()));
}

void RunRangeGuard(GuardedField& field, const FineAdjustRow& row) {
    const bool focused = field.HasFocus();
    const std::string text = field.Text();
    const std::string_view read = FirstBytes(text, kGuardReadBytes);
    const double v = LeadingNumber(read);

    if (DoubleByteLength(read) > row.maxBytes) {
        field.Replace(v >= 0 ? row.maxText : row.minText);
    }
    if (!focused) return;

    const double lowest = LeadingNumber(row.minText);
    const double highest = LeadingNumber(row.maxText);
    if (v < lowest) {
        field.Replace(row.minText);
    } else if (v > highest) {
        field.Replace(row.maxText);
    } else if ((v > 0 && v < 0.1) || (v < 0 && v > -0.1)) {
        field.Replace(kZeroTenths);
    }
}

}  // namespace tamsel
