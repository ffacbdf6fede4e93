// The spooler transport: the command travels as the raw data of a one-document
// print job; the printer's port monitor keeps the answer as printer data under
// "GetDevRes," + printer name + ",".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/protocol.h"
#include "core/spooler_reply.h"
#include "link/core/seams.h"
#include "link/core/sys_error.h"

namespace kestrion::link {

// Fetch buffers: envelope plus the longest reply of each read.
inline constexpr std::size_t kStatusFetchSize = kReplyEnvelopeSize + 16;
inline constexpr std::size_t kParamFetchSize = kReplyEnvelopeSize + kParamReplyLength;

// The value name is formed in a buffer of this size, terminator included.
inline constexpr std::size_t kValueNameBufferSize = 256;
// The longest printer name whose value name still fits: 256 - 10 - 1 - 1.
inline constexpr std::size_t kMaxPrinterNameLength =
    kValueNameBufferSize - (sizeof(kReplyValuePrefix) - 1) - (sizeof(kReplyValueSuffix) - 1) - 1;

// The largest level-2 printer record the bidirectional check reads: the
// record with its strings, device mode and security descriptor is a few
// kilobytes; anything near this size is a broken answer.
inline constexpr std::uint32_t kMaxPrinterInfoSize = 1u << 20;

// The port monitor has the reply ready within this time after the job ends.
inline constexpr std::uint32_t kReplyPauseMs = 100;
inline constexpr int kFetchAttempts = 3;


struct SpoolRequest {
    const char* printerName;
    const char* documentName;
    const std::uint8_t* command;
    std::size_t commandLength;
    // Read operations: the fetch buffer (zero-filled here) and its size, and
    // the code returned when no reply comes. Set operations: null, 0.
    std::uint8_t* fetchBuffer = nullptr;
    std::size_t fetchSize = 0;
    std::int32_t noReplyCode = 0;
};

// Runs one exchange. Returns 0 (the reply, for a read, begins at byte 8 of the
// fetch buffer), -700, -701 or the request's no-reply code.
std::int32_t SpoolExchange(SpoolerApi& api, SysError& error, const SpoolRequest& request);

}  // namespace kestrion::link
