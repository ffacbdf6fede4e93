// A settings record for people and scripts: in words (show, diff) and as
// JSON (show --json, import).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/settings_record.h"
#include "panel/model/send_flow.h"
#include "tools/kestrion/json.h"

namespace kestrion_cli {

// Every setting with its caption and chosen option, page by page, and the
// DIP switch lines as the DIP switch page writes them.
std::string DescribeRecord(const tamsel::SettingsRecord& record);

// The settings that differ between `a` and `b`, one line each
// ("バックフィード速度: 6ips → 4ips"); empty when the images are equal.
std::vector<std::string> DiffRecords(const tamsel::SettingsRecord& a, const tamsel::SettingsRecord& b);

// What sending the blocks of `choice` would change on a printer that holds
// `printer`: one line per setting of those blocks whose words differ, the
// printer's words first ("パラメータ設定１ / バックフィード速度: 6ips → 4ips");
// empty when nothing would change. The DIP switches are never sent.
std::vector<std::string> DiffSentBlocks(const tamsel::SettingsRecord& printer, const tamsel::SettingsRecord& sent,
                                        tamsel::SendChoice choice);

kjson::Value RecordToJson(const tamsel::SettingsRecord& record);

// Builds a record (header and tags in place, as SettingsRecord::FromBlocks writes them) from the JSON
// that RecordToJson produces. Every field must be present and valid; unknown
// keys are refused; the socket port may be any port 0-65535 (the address
// page's narrower range is the business of the commands that send it). On
// failure returns nullopt and `error` names the field.
std::optional<tamsel::SettingsRecord> RecordFromJson(const kjson::Value& json, std::string& error);

// Dotted IPv4 text: four decimal octets 0-255, nothing else.
std::optional<std::int32_t> ParseDotted(const std::string& text);

}  // namespace kestrion_cli
