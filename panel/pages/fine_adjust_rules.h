// The fine-adjust page's rules without any window: how an ADJUST value is
// shown (a direction in a list and a magnitude in millimetres, or a plain
// number of density steps), how the typed text is taken back, what the spin
// buttons write, and the range guard that corrects a field while it is typed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings_record.h"

namespace tamsel {

// One row of the page: the ADJUST element it edits and its controls.
struct FineAdjustRow {
    std::size_t element;     // ADJUST index, 0-7
    int editId;
    int spinId;
    int listId;              // 0 for the two density rows (no direction list)
    int spinLower;
    int spinUpper;
    // The range guard's limits for the edit field.
    std::size_t maxBytes;    // longest text the field keeps, in double-byte code page bytes
    const char* maxText;     // written when the text is too long or too high
    const char* minText;     // written when the text is too long and negative, or too low

    bool IsDensity() const { return listId == 0; }
};

// The eight rows in ADJUST order.
const std::array<FineAdjustRow, 8>& FineAdjustControlRows();
// The row whose edit field has this id, or nullptr.
const FineAdjustRow* FineAdjustRowOfEdit(int editId);
// The row whose spin button has this id, or nullptr.
const FineAdjustRow* FineAdjustRowOfSpin(int spinId);

// The two directions of a position row, in list order: first the one for
// values >= 0 ("後方", "右側"), then the one for values < 0 ("前方", "左側").
// Empty for the density rows.
std::array<std::string, 2> DirectionItems(const FineAdjustRow& row);

// A number of tenths with one decimal and no leading blanks: 57 -> "5.7",
// -5 -> "-0.5", 0 -> "0.0". Exact for every 64-bit input.
std::string TenthsText(std::int64_t tenths);

// What the page shows for one ADJUST value.
struct ShownAdjust {
    std::string editText;         // "%d" for density, the magnitude "5.7" for positions
    std::string listText;         // the direction, empty for density rows
    std::uint16_t spinPosition;   // low 16 bits of the value (density) or of its magnitude
};
ShownAdjust ShowAdjust(const FineAdjustRow& row, std::int32_t value);

// The ADJUST value taken back from the texts: density rows take the integer
// at the start of the edit text; position rows take the number at its start
// times 10, positive only when the list text is exactly the first direction
// (so also negative when nothing is selected), truncated toward zero.
std::int32_t TakeAdjust(const FineAdjustRow& row, std::string_view editText, std::string_view listText);

// The text a position row's spin button puts into its edit field at a scroll
// position: the position in tenths, one decimal (57 -> "5.7").
std::string SpinPositionText(int position);

// The whole page's texts, in the order of the rows.
struct FineAdjustTexts {
    std::array<std::string, 8> editTexts;
    std::array<std::string, 8> listTexts;  // empty for the density rows
};
FineAdjustTexts ShowAdjustBlock(const SettingsRecord& record);
void TakeAdjustBlock(const FineAdjustTexts& texts, SettingsRecord& record);

// --- Range guard ---------------------------------------------------------------

// Length of a UTF-8 text in the bytes of the Japanese double-byte code page:
// ASCII and half-width katakana count one, every other character two.
std::size_t DoubleByteLength(std::string_view utf8);

// The longest start of a UTF-8 text whose double-byte length is at most
// maxBytes; a character that would straddle the limit is left out.
std::string_view FirstBytes(std::string_view utf8, std::size_t maxBytes);

// How many bytes of the text the guard reads.
inline constexpr std::size_t kGuardReadBytes = 9;

// An edit field as the guard sees it. Replace may run the guard again on
// the new text before it returns, as the field's change notification does.
class GuardedField {
public:
    virtual ~GuardedField() = default;
    virtual std::string Text() const = 0;        // UTF-8
    virtual bool HasFocus() const = 0;
    virtual void Replace(const std::string& text) = 0;
};

// Runs on every change of a field's text:
// 1. note whether the field has the keyboard focus;
// 2. read at most nine bytes and take the number v at their start;
// 3. a text longer than the row allows becomes the maximum text (v >= 0)
//    or the minimum text (v < 0), whether focused or not;
// 4. without the focus, stop: the rest only corrects what is being typed;
// 5./6. v below the minimum or above the maximum becomes that limit's text;
// 7. 0 < |v| < 0.1 becomes "0.0".
// Steps 4-7 keep the v of step 2 even after step 3 replaced the text.
void RunRangeGuard(GuardedField& field, const FineAdjustRow& row);

}  // namespace tamsel
