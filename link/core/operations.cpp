#include "link/core/operations.h"

#include <array>
#include <cstring>

#include "link/core/net_exchange.h"
#include "link/core/spool_exchange.h"
#include "core/protocol.h"

namespace kestrion::link {
namespace {

constexpr std::int32_t kConnectionSpooler = 0;
constexpr std::int32_t kConnectionNetwork = 1;
constexpr std::uint32_t kMinNameLength = 2;
constexpr std::uint32_t kMaxNameLength = 65535;
constexpr std::uint32_t kMaxPort = 65535;

enum class ReplyKind { None, Status, Param };

// The longest reply proper on either path, so that both land in one buffer.
constexpr std::size_t kReplyBufferSize = kParamReplyCapacity;

// Carries one command to the printer over the target's transport and, for a
// read, leaves the reply proper at the start of `reply` (zero-filled
// otherwise). Returns 0 or the transport's failure code.
std::int32_t Exchange(Platform& platform, SysError& error, const PrinterTarget& target, const char* documentName,
                      const std::uint8_t* command, std::size_t length, ReplyKind kind,
                      std::array<std::uint8_t, kReplyBufferSize>& reply) {
    reply.fill(0);
    if (target.connection == kConnectionSpooler) {
        std::array<std::uint8_t, kParamFetchSize> fetch{};
        SpoolRequest request{target.printerName, documentName, command, length};
        if (kind != ReplyKind::None) {
            request.fetchBuffer = fetch.data();
            request.fetchSize = kind == ReplyKind::Status ? kStatusFetchSize : kParamFetchSize;
            request.noReplyCode = kind == ReplyKind::Status ? LINK_E_STATUS_REPLY : LINK_E_PARAM_REPLY;
        }
        const std::int32_t result = SpoolExchange(platform.spooler, error, request);
        if (result == LINK_OK && kind != ReplyKind::None) {
            std::memcpy(reply.data(), fetch.data() + kReplyEnvelopeSize, request.fetchSize - kReplyEnvelopeSize);
        }
        return result;
    }

    switch (kind) {
        case ReplyKind::None:
            return NetworkExchange(platform.sockets, error, target, command, length, nullptr, 0, 0);
        case ReplyKind::Status:
            return NetworkExchange(platform.sockets, error, target, command, length, reply.data(),
                                   kStatusReplyCapacity, 0);
        case ReplyKind::Param:
            return NetworkExchange(platform.sockets, error, target, command, length, reply.data(),
                                   kParamReplyCapacity, kParamReplyDataSpan);
    }
    return LINK_E_NETWORK;
}

// A set or restart operation after its null checks: the rest of the common
// opening, then the command built from the caller's block and sent.
template <typename Build>
std::int32_t SendOnly(Platform& platform, const PrinterTarget* target, std::int32_t* sysError,
                      const char* documentName, Build build) {
    SysError error(sysError);
    if (ValidateTarget(*target) != LINK_OK) return LINK_E_TARGET;
    const auto command = build();
    std::array<std::uint8_t, kReplyBufferSize> reply;
    return Exchange(platform, error, *target, documentName, command.data(), command.size(), ReplyKind::None, reply);
}

}  // namespace

std::int32_t ValidateTarget(const PrinterTarget& target) {
    if (target.connection == kConnectionSpooler) {
        if (target.nameLength < kMinNameLength || target.nameLength > kMaxNameLength) return LINK_E_TARGET;
        if (target.printerName == nullptr) return LINK_E_TARGET;
        // The reply's value name must fit its buffer; a longer name could
        // never be answered and is refused before anything is touched.
        if (strnlen(target.printerName, kMaxPrinterNameLength + 1) > kMaxPrinterNameLength) return LINK_E_TARGET;
        return LINK_OK;
    }
    if (target.connection == kConnectionNetwork) {
        const std::uint8_t* ip = target.ipAddress;
        const bool allZero = ip[0] == 0 && ip[1] == 0 && ip[2] == 0 && ip[3] == 0;
        const bool allOnes = ip[0] == 0xFF && ip[1] == 0xFF && ip[2] == 0xFF && ip[3] == 0xFF;
        if (allZero || allOnes) return LINK_E_TARGET;
        if (target.port > kMaxPort) return LINK_E_TARGET;
        return LINK_OK;
    }
    return LINK_E_TARGET;
}

std::int32_t GetPrinterStatus(Platform& platform, const PrinterTarget* target, std::int32_t* status,
                              std::int32_t* sysError) {
    if (target == nullptr || status == nullptr || sysError == nullptr) return LINK_E_NULL_ARG;
    SysError error(sysError);
    if (ValidateTarget(*target) != LINK_OK) return LINK_E_TARGET;

    std::array<std::uint8_t, kReplyBufferSize> reply;
    const std::int32_t result = Exchange(platform, error, *target, kDocGetStatus, kStatusQuery.data(),
                                         kStatusQuery.size(), ReplyKind::Status, reply);
    if (result != LINK_OK) return result;
    if (!IsStatusReply(reply.data())) return LINK_E_STATUS_REPLY;
    *status = ParseStatusDigits(reply[2], reply[3]);
    return LINK_OK;
}

std::int32_t GetPrinterParam(Platform& platform, const PrinterTarget* target, std::int32_t* param,
                             std::int32_t* adjust, std::int32_t* address, std::int32_t* sysError) {
    if (target == nullptr || param == nullptr || adjust == nullptr || address == nullptr || sysError == nullptr) {
        return LINK_E_NULL_ARG;
    }
    SysError error(sysError);
    if (ValidateTarget(*target) != LINK_OK) return LINK_E_TARGET;
    std::memset(param, 0, kParamCount * sizeof *param);
    std::memset(adjust, 0, kAdjustCount * sizeof *adjust);
    std::memset(address, 0, kAddressCount * sizeof *address);

    std::array<std::uint8_t, kReplyBufferSize> reply;
    const std::int32_t result = Exchange(platform, error, *target, kDocGetParam, kParamQuery.data(),
                                         kParamQuery.size(), ReplyKind::Param, reply);
    if (result != LINK_OK) return result;
    if (!DecodeParamReply(reply.data(), param, adjust, address)) return LINK_E_PARAM_REPLY;
    error.Clear();
    return LINK_OK;
}

std::int32_t SetPrinterParam(Platform& platform, const PrinterTarget* target, const std::int32_t* param,
                             std::int32_t* sysError) {
    if (target == nullptr || param == nullptr || sysError == nullptr) return LINK_E_NULL_ARG;
    return SendOnly(platform, target, sysError, kDocSetParam, [&] { return BuildParamSet(param); });
}

std::int32_t SetPrinterAdjust(Platform& platform, const PrinterTarget* target, const std::int32_t* adjust,
                              std::int32_t* sysError) {
    if (target == nullptr || adjust == nullptr || sysError == nullptr) return LINK_E_NULL_ARG;
    return SendOnly(platform, target, sysError, kDocSetAdjust, [&] { return BuildAdjustSet(adjust); });
}

std::int32_t SetPrinterAddress(Platform& platform, const PrinterTarget* target, const std::int32_t* address,
                               std::int32_t* sysError) {
    if (target == nullptr || address == nullptr || sysError == nullptr) return LINK_E_NULL_ARG;
    return SendOnly(platform, target, sysError, kDocSetAddress, [&] { return BuildAddressSet(address); });
}

std::int32_t ResetPrinter(Platform& platform, const PrinterTarget* target, std::int32_t* sysError) {
    if (target == nullptr || sysError == nullptr) return LINK_E_NULL_ARG;
    return SendOnly(platform, target, sysError, kDocReset, [] { return kResetCommand; });
}

}  // namespace kestrion::link
