// The simulated printer's command parser: any byte stream, cut into pieces
// anywhere. However the stream is cut, the printer ends up with the same
// settings, the same restarts and the same replies, every reply is one of the
// two the printer sends, and what it keeps of an unfinished command stays
// bounded.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

#include "core/protocol.h"
#include "fuzz/fuzz_check.h"
#include "sim/printer_model.h"

using namespace kestrion;

namespace {

struct Outcome {
    std::vector<printersim::Answer> answers;
    printersim::PrinterSettings settings;
    int resets;
};

Outcome Run(const std::vector<std::uint8_t>& stream, const std::vector<std::size_t>& cuts) {
    printersim::PrinterModel model;
    Outcome o;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t piece = cut < stream.size() - at ? cut : stream.size() - at;
        for (printersim::Answer& a : model.FeedCommands(stream.data() + at, piece)) o.answers.push_back(std::move(a));
        at += piece;
        if (at == stream.size()) break;
    }
    if (at < stream.size()) {
        for (printersim::Answer& a : model.FeedCommands(stream.data() + at, stream.size() - at)) {
            o.answers.push_back(std::move(a));
        }
    }
    model.EndOfInput();
    o.settings = model.Settings();
    o.resets = model.ResetCount();
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::vector<std::size_t> cuts;
    const int pieces = in.ConsumeIntegralInRange(0, 16);
    for (int i = 0; i < pieces; ++i) cuts.push_back(in.ConsumeIntegralInRange<std::size_t>(1, 64));
    const std::vector<std::uint8_t> stream = in.ConsumeRemainingBytes<std::uint8_t>();
    if (stream.empty()) return 0;

    const Outcome whole = Run(stream, {});
    const Outcome cut = Run(stream, cuts);
    std::vector<std::size_t> single(stream.size(), 1);
    const Outcome bytewise = Run(stream, single);

    for (const Outcome* o : {&cut, &bytewise}) {
        FUZZ_CHECK(o->settings == whole.settings);
        FUZZ_CHECK(o->resets == whole.resets);
        FUZZ_CHECK(o->answers.size() == whole.answers.size());
        for (std::size_t i = 0; i < whole.answers.size(); ++i) {
            FUZZ_CHECK(o->answers[i].kind == whole.answers[i].kind);
            FUZZ_CHECK(o->answers[i].reply == whole.answers[i].reply);
        }
    }
    for (const printersim::Answer& a : whole.answers) {
        switch (a.kind) {
            case printersim::CommandKind::StatusQuery: FUZZ_CHECK(a.reply.size() == 6); break;
            case printersim::CommandKind::ParamQuery: FUZZ_CHECK(a.reply.size() == kParamReplyLength); break;
            default: FUZZ_CHECK(a.reply.empty()); break;
        }
    }
    // The stored settings keep the shapes the printer reports.
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) FUZZ_CHECK(whole.settings.param[i] == 0 || whole.settings.param[i] == 1);
    FUZZ_CHECK(whole.settings.address[kSocketPort] >= 0 && whole.settings.address[kSocketPort] <= 0xFFFF);
    // Every command is at least 5 bytes long.
    FUZZ_CHECK(whole.answers.size() <= stream.size() / kStatusQueryLength);
    return 0;
}
