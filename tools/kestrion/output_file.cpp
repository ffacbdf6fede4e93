#include "tools/kestrion/output_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using tamsel::SaveResult;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::FILE* OpenFile(const fs::path& path, const char* mode) {
#ifdef _WIN32
    wchar_t wmode[8] = {};
    for (std::size_t i = 0; mode[i] != '\0' && i + 1 < sizeof wmode / sizeof wmode[0]; ++i) {
        wmode[i] = static_cast<wchar_t>(mode[i]);
    }
    return _wfopen(path.c_str(), wmode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}

SaveResult FromErrno(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? SaveResult::AccessDenied : SaveResult::Failed;
}

// The bytes the file is to hold: the record over the start of what it held.
bool NewContent(const fs::path& path, bool exists, const tamsel::SettingsRecord& record,
                std::vector<std::uint8_t>& content, SaveResult& failure) {
    content.assign(record.Bytes(), record.Bytes() + tamsel::kRecordSize);
    if (!exists) return true;
    // Opened for writing as the program would, so a file we may not write
    // is refused here, before anything is made.
    File old(OpenFile(path, "r+b"));
    if (!old) {
        failure = FromErrno(errno);
        return false;
    }
    std::uint8_t chunk[8192];
    std::size_t at = 0;
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, old.get());
        for (std::size_t i = 0; i < got; ++i, ++at) {
            if (at >= tamsel::kRecordSize) content.push_back(chunk[i]);
        }
        if (got < sizeof chunk) break;
    }
    if (std::ferror(old.get())) {
        failure = SaveResult::Failed;
        return false;
    }
    return true;
}

fs::path TemporaryBeside(const fs::path& path) {
    static std::atomic<unsigned> counter{0};
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(::getpid());
#endif
    fs::path temporary = path;
    temporary += ".kestrion-" + std::to_string(pid) + "-" + std::to_string(counter++) + ".tmp";
    return temporary;
}

// Writes and flushes everything to the disk; false on any failure.
bool WriteWhole(const fs::path& temporary, const std::vector<std::uint8_t>& content, int& error) {
    File file(OpenFile(temporary, "wb"));
    if (!file) {
        error = errno;
        return false;
    }
    if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size() || std::fflush(file.get()) != 0) {
        error = errno;
        return false;
    }
#ifdef _WIN32
    const bool synced = _commit(_fileno(file.get())) == 0;
#else
    const bool synced = ::fsync(::fileno(file.get())) == 0;
#endif
    if (!synced) {
        error = errno;
        return false;
    }
    if (std::fclose(file.release()) != 0) {
        error = errno;
        return false;
    }
    return true;
}

}  // namespace

SaveResult WriteSettingsFile(const fs::path& path, const tamsel::SettingsRecord& record) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    const bool exists = fs::exists(status);
    // A device or a pipe cannot be replaced by a rename: it is written as it is.
    if (exists && !fs::is_regular_file(status)) return tamsel::SaveSettingsFile(path, record);

    std::vector<std::uint8_t> content;
    SaveResult failure = SaveResult::Failed;
    if (!NewContent(path, exists, record, content, failure)) return failure;

    const fs::path temporary = TemporaryBeside(path);
    int error = 0;
    if (!WriteWhole(temporary, content, error)) {
        fs::remove(temporary, ec);
        return FromErrno(error);
    }
    // The new file keeps the old one's permissions.
    if (exists) fs::permissions(temporary, status.permissions(), ec);
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        return FromErrno(ec.value());
    }
    return SaveResult::Saved;
}

}  // namespace kestrion_cli
