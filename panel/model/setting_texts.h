// What each setting is called on the pages and what its choices mean, in the
// pages' own Japanese words (UTF-8). Used wherever settings are described in
// words: the command-line tool's show and diff, and the DIP switch page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings_record.h"

namespace tamsel {

// One radio group of a parameter page: the PARAM element it edits.
struct ParamChoice {
    std::size_t element;                  // PARAM index, 10-30
    const char* key;                      // field name, e.g. "backFeedSpeed"
    const char* caption;                  // group box caption
    std::vector<const char*> options;     // button captions, in template order (value 0 first)
};

struct PageText {
    const char* caption;                  // tab caption
    std::vector<ParamChoice> choices;     // in template order
};

// The two parameter pages, in tab order.
const std::vector<PageText>& ParameterPages();
const ParamChoice* FindParamChoice(std::size_t element);
const ParamChoice* FindParamChoice(std::string_view key);

// One row of the fine-adjust page.
struct AdjustRow {
    std::size_t element;                  // ADJUST index, 0-7
    const char* key;
    const char* label;                    // row label
    const char* unit;                     // "ステップ" or "mm"
    const char* positive;                 // direction for values >= 0 (nullptr for density rows)
    const char* negative;                 // direction for values < 0
};

const char* FineAdjustPageCaption();
const std::vector<AdjustRow>& FineAdjustRows();

// The IP address page.
const char* AddressPageCaption();
struct AddressTexts {
    const char* dhcpGroup;
    std::vector<const char*> dhcpOptions;
    const char* rarpGroup;
    std::vector<const char*> rarpOptions;
    const char* ipLabel;
    const char* maskLabel;
    const char* gatewayLabel;
    const char* portGroup;
    const char* portLabel;
};
const AddressTexts& AddressPageTexts();

const char* DipSwitchPageCaption();

// A caption without its keyboard mnemonic: "あり(&A)" gives "あり",
// "有効（&Y)" gives "有効", "ポート番号(&J)" gives "ポート番号".
std::string WithoutMnemonic(std::string_view caption);

// The option caption (without mnemonic) of a value, or nullopt when the value
// selects no button of the group.
std::optional<std::string> OptionText(const ParamChoice& choice, std::int32_t value);

// A fine-adjust value in words: density rows "-3 ステップ", position rows
// "前方 2.5 mm" (direction and the magnitude in millimetres, one decimal).
std::string AdjustText(const AdjustRow& row, std::int32_t value);

// The seven description lines of the DIP switch page for PARAM[0..9], each
// ending with CR LF, exactly as the page writes them.
std::string DipSwitchLines(const std::int32_t* states);

}  // namespace tamsel
