// How the kestrion tool writes a settings file: to a temporary file beside it
// first, which then replaces the file in one rename. A full disk, a size
// limit or a crash leaves the old file as it was (or no file), never a
// partial one.
#pragma once

#include <filesystem>

#include "core/settings_record.h"

namespace kestrion_cli {

// As the panel program saves: the 228 bytes over the start of the file; an
// existing longer file keeps the rest of its bytes. AccessDenied when an
// existing file may not be written or the folder is closed to us.
tamsel::SaveResult WriteSettingsFile(const std::filesystem::path& path, const tamsel::SettingsRecord& record);

}  // namespace kestrion_cli
