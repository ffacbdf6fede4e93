#include "sim/sim_printer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "sim/posix_io.h"

namespace printersim {

using Clock = std::chrono::steady_clock;

namespace {
// Default bytes of the two faults that add bytes.
const Bytes kDefaultUnsolicited{0x01, 0x02, '3', '0', kestrion::kCr, kestrion::kLf};
const Bytes kDefaultTrailing{0x41};
inline constexpr std::size_t kReadChunk = 4096;

bool Has(const std::vector<FaultPlan>& faults, Fault kind) {
    return std::any_of(faults.begin(), faults.end(), [kind](const FaultPlan& f) { return f.kind == kind; });
}
const FaultPlan* Find(const std::vector<FaultPlan>& faults, Fault kind) {
    const auto it = std::find_if(faults.begin(), faults.end(), [kind](const FaultPlan& f) { return f.kind == kind; });
    return it == faults.end() ? nullptr : &*it;
}
}  // namespace

struct SimPrinter::Impl {
    explicit Impl(std::uint16_t port, const PrinterSettings& initial) : model(initial) {
        listener = ListenLoopback(port);
        if (!listener) throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
        boundPort = LocalPort(listener.Get());
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create the wake pipe");
        wakeRead.Reset(fds[0]);
        wakeWrite.Reset(fds[1]);
        thread = std::thread([this] { Run(); });
    }

    ~Impl() {
        stop = true;
        Wake();
        if (thread.joinable()) thread.join();
    }

    void Wake() {
        const std::uint8_t b = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite.Get(), &b, 1);
    }

    void DrainWake() {
        std::uint8_t buf[64];
        while (::read(wakeRead.Get(), buf, sizeof buf) > 0) {
        }
    }

    void Event(const std::string& line) {
        std::function<void(const std::string&)> s;
        {
            std::lock_guard lock(mutex);
            s = eventSink;
        }
        if (s) s(line);
    }

    // Waits until `deadline` (none: until stopped, or until the faults are
    // cleared after `clearedSince`, a clearGeneration read before the fault in
    // question was looked up, so that a clear in between is not missed).
    // Returns false when the printer is stopping.
    static constexpr int kNotOnClear = -1;
    bool WaitUntil(std::optional<Clock::time_point> deadline, int clearedSince) {
        for (;;) {
            if (stop) return false;
            if (clearedSince != kNotOnClear && clearGeneration != clearedSince) return true;
            int timeout = -1;
            if (deadline) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
                if (left.count() <= 0) return true;
                timeout = static_cast<int>(left.count());
            }
            pollfd p{wakeRead.Get(), POLLIN, 0};
            ::poll(&p, 1, timeout);
            DrainWake();
        }
    }

    bool Pause(std::chrono::milliseconds pause) { return WaitUntil(Clock::now() + pause, kNotOnClear); }

    // The faults that apply to the connection just accepted; counts go down.
    std::vector<FaultPlan> TakeFaults() {
        std::lock_guard lock(mutex);
        std::vector<FaultPlan> active;
        for (FaultPlan& f : faults) {
            if (f.kind == Fault::Refuse || f.connections == 0) continue;
            active.push_back(f);
            if (f.connections > 0) --f.connections;
        }
        std::erase_if(faults, [](const FaultPlan& f) { return f.kind != Fault::Refuse && f.connections == 0; });
        return active;
    }

    std::optional<Clock::time_point> RefuseDeadline(bool& refusing) {
        std::lock_guard lock(mutex);
        const FaultPlan* f = Find(faults, Fault::Refuse);
        refusing = f != nullptr;
        if (!f || f->pause.count() == 0) return std::nullopt;
        return refuseSince + f->pause;
    }

    void Run() {
        while (!stop) {
            const int generation = clearGeneration;
            bool refusing = false;
            const auto refuseEnd = RefuseDeadline(refusing);
            if (refusing) {
                {
                    std::lock_guard lock(mutex);
                    listener.Reset();
                }
                if (!WaitUntil(refuseEnd, generation)) return;
                std::lock_guard lock(mutex);
                if (refuseEnd) std::erase_if(faults, [](const FaultPlan& f) { return f.kind == Fault::Refuse; });
                continue;
            }
            {
                // Made by ClearFaults, which listens again before it returns.
                std::lock_guard lock(mutex);
                if (relisten) listener = std::move(relisten);
            }
            if (!listener) {
                {
                    std::lock_guard lock(mutex);
                    listener = ListenLoopback(boundPort);
                }
                if (!listener) {
                    Event("cannot listen on 127.0.0.1:" + std::to_string(boundPort) + " again");
                    if (!Pause(std::chrono::milliseconds(100))) return;
                    continue;
                }
                Event("listening again on 127.0.0.1:" + std::to_string(boundPort));
            }
            pollfd p[2] = {{listener.Get(), POLLIN, 0}, {wakeRead.Get(), POLLIN, 0}};
            if (::poll(p, 2, -1) < 0) continue;
            if (p[1].revents) DrainWake();
            if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
                // Shut down by a refusal that may already be cleared again:
                // this socket listens no more and is made anew above.
                std::lock_guard lock(mutex);
                listener.Reset();
                continue;
            }
            if (!(p[0].revents & POLLIN)) continue;
            UniqueFd conn(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!conn) continue;
            Serve(std::move(conn));
            FollowSocketPort();
        }
    }

    void FollowSocketPort() {
        if (!followSocketPort || model.ResetCount() == resetsSeen) return;
        resetsSeen = model.ResetCount();
        const auto wanted = static_cast<std::uint16_t>(model.Settings().address[kestrion::kSocketPort]);
        if (wanted == 0 || wanted == boundPort) return;
        UniqueFd next = ListenLoopback(wanted);
        if (!next) {
            Event("cannot move to socket port " + std::to_string(wanted) + "; staying on " + std::to_string(boundPort));
            return;
        }
        {
            std::lock_guard lock(mutex);
            listener = std::move(next);
        }
        boundPort = wanted;
        Event("restarted: now listening on 127.0.0.1:" + std::to_string(wanted));
    }

    Bytes Transform(Bytes reply, CommandKind kind, const std::vector<FaultPlan>& active) {
        const bool settingsReply = kind == CommandKind::ParamQuery;
        if (settingsReply && Has(active, Fault::ZeroFirstWord)) {
            reply[0] = 0;
            reply[1] = 0;
        }
        if (const FaultPlan* f = Find(active, Fault::TerminatorInData)) {
            // Only inside the data: the reply's own terminator stays where it is.
            if (reply.size() >= 4 && f->offset + 2 <= reply.size() - 2) {
                reply[f->offset] = f->lfNul ? kestrion::kLf : kestrion::kCr;
                reply[f->offset + 1] = f->lfNul ? 0x00 : kestrion::kLf;
            }
        }
        if (Has(active, Fault::NoTerminator) && reply.size() >= 2) reply.resize(reply.size() - 2);
        if (const FaultPlan* f = Find(active, Fault::DataAfterTerminator)) {
            const Bytes& extra = f->bytes.empty() ? kDefaultTrailing : f->bytes;
            reply.insert(reply.end(), extra.begin(), extra.end());
        }
        return reply;
    }

    bool SendReply(int fd, const Bytes& reply, const std::vector<FaultPlan>& active) {
        const FaultPlan* split = Find(active, Fault::SplitReply);
        if (!split) return SendAll(fd, reply.data(), reply.size());
        const std::size_t piece = split->splitAt ? split->splitAt : (reply.size() + 1) / 2;
        for (std::size_t at = 0; at < reply.size(); at += piece) {
            if (at > 0 && !Pause(split->pause)) return false;
            if (!SendAll(fd, reply.data() + at, std::min(piece, reply.size() - at))) return false;
        }
        return true;
    }

    void Serve(UniqueFd conn) {
        const int generation = clearGeneration;
        const std::vector<FaultPlan> active = TakeFaults();
        const int number = ++accepted;
        Event("connection " + std::to_string(number) + " accepted" +
              (active.empty() ? "" : " (" + std::to_string(active.size()) + " fault(s) armed)"));
        // Pieces of a split reply must leave as pieces.
        const int on = 1;
        ::setsockopt(conn.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const bool ignoreSets = Has(active, Fault::IgnoreSets);
        if (ignoreSets) model.SetIgnoreSets(true);

        Bytes received;
        const char* ending = "closed";
        if (const FaultPlan* f = Find(active, Fault::UnsolicitedBytes)) {
            const Bytes& bytes = f->bytes.empty() ? kDefaultUnsolicited : f->bytes;
            SendAll(conn.Get(), bytes.data(), bytes.size());
        }
        auto lastInput = Clock::now();
        bool watchListener = true;  // off once the listening socket was shut down (a refusal)
        for (bool open = true; open;) {
            // A silent client is let go after the idle time, or sooner when
            // another one is waiting to be served.
            const auto silent = Clock::now() - lastInput;
            const bool othersWait = OthersWaiting();
            const std::chrono::milliseconds limit{othersWait ? supersededAfterMs.load() : idleTimeoutMs.load()};
            if (silent >= limit) {
                ending = othersWait ? "closed: silent while another connection waited" : "closed: silent too long";
                break;
            }
            pollfd p[3] = {{conn.Get(), POLLIN, 0}, {wakeRead.Get(), POLLIN, 0}, {listener.Get(), POLLIN, 0}};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - silent).count() + 1;
            if (::poll(p, othersWait || !listener || !watchListener ? 2 : 3, static_cast<int>(left)) < 0) continue;
            if (p[2].revents & (POLLHUP | POLLERR | POLLNVAL)) watchListener = false;
            if (p[1].revents) DrainWake();
            if (stop) break;
            if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            std::uint8_t buf[kReadChunk];
            const ssize_t n = ::recv(conn.Get(), buf, sizeof buf, 0);
            if (n < 0) {
                ending = "closed after a receive error";
                break;
            }
            if (n == 0) {
                // The client has half-closed: a device closes its side too.
                if (const FaultPlan* f = Find(active, Fault::NoCloseAfterHalfClose)) {
                    Event("client half-closed; keeping the connection open");
                    const auto deadline = f->pause.count() ? std::optional(Clock::now() + f->pause) : std::nullopt;
                    WaitUntil(deadline, generation);
                }
                break;
            }
            lastInput = Clock::now();
            const std::size_t kept = std::min(static_cast<std::size_t>(n), kMaxKeptBytes - std::min(kMaxKeptBytes, received.size()));
            received.insert(received.end(), buf, buf + kept);
            for (const Answer& answer : model.FeedCommands(buf, static_cast<std::size_t>(n))) {
                if (Has(active, Fault::CloseEarly)) {
                    ending = "closed early, without answering";
                    open = false;
                    break;
                }
                if (answer.reply.empty()) continue;
                if (const FaultPlan* f = Find(active, Fault::Delay)) {
                    if (!Pause(f->pause)) {
                        open = false;
                        break;
                    }
                }
                if (!SendReply(conn.Get(), Transform(answer.reply, answer.kind, active), active)) {
                    ending = "closed after a send error";
                    open = false;
                    break;
                }
                lastInput = Clock::now();  // the client's silence counts from the reply on
            }
        }
        model.EndOfInput();
        if (ignoreSets) model.SetIgnoreSets(false);
        {
            // Stored before the close, so a client that has seen the close
            // finds it.
            std::lock_guard lock(mutex);
            lastReceived = std::move(received);
        }
        conn.Reset();
        Event("connection " + std::to_string(number) + " " + ending);
    }

    // True when a client is waiting on the listening socket (not when the
    // socket was shut down by a refusal).
    bool OthersWaiting() {
        if (!listener) return false;
        pollfd p{listener.Get(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && p.revents == POLLIN;
    }

    PrinterModel model;
    std::atomic<std::int64_t> idleTimeoutMs{30000};
    std::atomic<std::int64_t> supersededAfterMs{2000};
    UniqueFd listener;  // replaced only by the thread, under `mutex`
    UniqueFd relisten;  // listening already, for the thread to take over (under `mutex`)
    std::atomic<std::uint16_t> boundPort{0};
    UniqueFd wakeRead;
    UniqueFd wakeWrite;
    std::atomic<bool> stop{false};
    std::atomic<int> clearGeneration{0};
    std::atomic<int> accepted{0};
    std::atomic<bool> followSocketPort{false};
    int resetsSeen = 0;

    mutable std::mutex mutex;  // guards what follows
    std::vector<FaultPlan> faults;
    Clock::time_point refuseSince;
    Bytes lastReceived;
    std::function<void(const std::string&)> eventSink;

    std::thread thread;  // last: starts after everything above exists
};

SimPrinter::SimPrinter(std::uint16_t port, PrinterSettings initial) : impl(std::make_unique<Impl>(port, initial)) {}

SimPrinter::~SimPrinter() = default;

std::uint16_t SimPrinter::Port() const { return impl->boundPort; }

void SimPrinter::InjectFault(const FaultPlan& fault) {
    {
        std::lock_guard lock(impl->mutex);
        impl->faults.push_back(fault);
        if (fault.kind == Fault::Refuse) {
            impl->refuseSince = Clock::now();
            // Stop listening right now, not when the thread next looks: the
            // caller's next connect must already be refused. A listening
            // socket that is shut down leaves the listening state at once.
            if (impl->listener) ::shutdown(impl->listener.Get(), SHUT_RDWR);
            impl->relisten.Reset();  // one made by a clear the thread has not taken yet
        }
    }
    impl->Wake();
}

void SimPrinter::ClearFaults() {
    {
        std::lock_guard lock(impl->mutex);
        const bool refusing = Find(impl->faults, Fault::Refuse) != nullptr;
        impl->faults.clear();
        // Listen again right now, not when the thread next looks: the caller's
        // next connect must already succeed. The refusal shut the old socket
        // down, so the port is free for a new one (both reuse the address).
        if (refusing && !impl->relisten) impl->relisten = ListenLoopback(impl->boundPort);
    }
    ++impl->clearGeneration;
    impl->Wake();
}

void SimPrinter::SetIdleTimeouts(std::chrono::milliseconds idle, std::chrono::milliseconds whileOthersWait) {
    impl->idleTimeoutMs = idle.count();
    impl->supersededAfterMs = whileOthersWait.count();
    impl->Wake();
}

void SimPrinter::SetFollowSocketPort(bool follow) { impl->followSocketPort = follow; }

void SimPrinter::SetEventSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(impl->mutex);
    impl->eventSink = std::move(sink);
}

PrinterModel& SimPrinter::Model() { return impl->model; }

int SimPrinter::ConnectionsAccepted() const { return impl->accepted; }

Bytes SimPrinter::LastReceived() const {
    std::lock_guard lock(impl->mutex);
    return impl->lastReceived;
}

}  // namespace printersim
