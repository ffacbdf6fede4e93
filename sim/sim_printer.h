// The simulated printer on a TCP port on loopback, one connection at a time,
// with fault injection. Tests run it in-process; the printer-sim program wraps
// it for scripts and demonstrations.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim/printer_model.h"

namespace printersim {

enum class Fault {
    None,
    UnsolicitedBytes,      // sends `bytes` (default 01 02 30 30 0D 0A) right after accepting
    SplitReply,            // sends the reply in pieces of `splitAt` bytes, `pause` between them
    DataAfterTerminator,   // appends `bytes` (default 41) behind the reply's terminator
    NoTerminator,          // drops the reply's terminator
    TerminatorInData,      // writes CR LF (or LF 00 when `lfNul`) into the settings reply at `offset`
    ZeroFirstWord,         // settings reply with its first word 00 00
    NoCloseAfterHalfClose, // keeps the connection open after the client's half-close (until `pause`, default forever)
    CloseEarly,            // closes the connection as soon as the command arrived, no reply
    Refuse,                // stops listening: connections are refused for `pause` (0: until ClearFaults);
                           // `connections` does not apply, refused attempts cannot be counted
    Delay,                 // waits `pause` before answering
    IgnoreSets,            // logs set commands without applying them (read-back differs)
};

struct FaultPlan {
    Fault kind = Fault::None;
    int connections = 1;                      // the next N connections; -1: until cleared
    std::chrono::milliseconds pause{0};
    std::size_t splitAt = 0;                  // SplitReply: first piece length (0: half)
    std::size_t offset = 40;                  // TerminatorInData
    bool lfNul = false;                       // TerminatorInData
    Bytes bytes{};                            // UnsolicitedBytes, DataAfterTerminator
};

class SimPrinter {
public:
    // port 0 takes a free ephemeral port on 127.0.0.1. Throws
    // std::runtime_error when the port cannot be had.
    explicit SimPrinter(std::uint16_t port = 0, PrinterSettings initial = FactorySettings());
    ~SimPrinter();  // stops listening, ends a connection in progress, joins its thread
    SimPrinter(const SimPrinter&) = delete;
    SimPrinter& operator=(const SimPrinter&) = delete;

    std::uint16_t Port() const;

    void InjectFault(const FaultPlan& fault);  // several may be active at once
    void ClearFaults();

    // After a restart command, listen on the socket port the printer now holds
    // (once the connection that carried the restart is over) instead of
    // staying on the port it was started on.
    void SetFollowSocketPort(bool follow);

    // A connection from which nothing arrives for `idle` is closed, and so is
    // one silent for `whileOthersWait` when another connection is waiting to
    // be served: a client that connects and says nothing cannot hold the
    // printer. Defaults: 30 s and 2 s.
    void SetIdleTimeouts(std::chrono::milliseconds idle, std::chrono::milliseconds whileOthersWait);

    // Connection events in words ("connection 3 accepted", "connection 3 closed").
    void SetEventSink(std::function<void(const std::string&)> sink);

    PrinterModel& Model();
    int ConnectionsAccepted() const;
    // Every byte received on the last finished connection (its first
    // kMaxKeptBytes, so that a flood of bytes is not kept).
    Bytes LastReceived() const;
    static constexpr std::size_t kMaxKeptBytes = 64 * 1024;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

}  // namespace printersim
