// The simulated spooler's printer list file and its bookkeeping.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "sim/spooler/sim_spooler.h"

namespace kestrion::simspool {
namespace {

class SimSpoolerFile : public ::testing::Test {
protected:
    void SetUp() override { spooler.Reset(); }
    void TearDown() override {
        spooler.Reset();
        std::remove(path.c_str());
    }
    bool Load(const std::string& text) {
        std::ofstream(path) << text;
        return spooler.LoadFile(path, &message);
    }
    std::uint32_t Attributes(const std::string& name) {
        std::uintptr_t h = 0;
        int error = 0;
        if (!spooler.Open(name, &h, &error)) return 0xFFFFFFFF;
        PrinterInfo2 info{};
        std::uint32_t needed = 0;
        spooler.GetInfo2(h, reinterpret_cast<std::uint8_t*>(&info), sizeof info, &needed, &error);
        spooler.Close(h, &error);
        return info.attributes;
    }

    SimSpooler& spooler = SimSpooler::Instance();
    std::string path = ::testing::TempDir() + "kes-sim-spooler.conf";
    std::string message;
};

TEST_F(SimSpoolerFile, ReadsPrintersAndTheirSettings) {
    ASSERT_TRUE(Load("# test printers\n"
                     "[LP One (USB)]\n"
                     "bidi = on\n"
                     "\n"
                     "; the second one\n"
                     "[LP Two]\n"
                     "bidi=off\n"))
        << message;
    EXPECT_EQ(Attributes("LP One (USB)"), kAttributeEnableBidi);
    EXPECT_EQ(Attributes("LP Two"), 0u);
    EXPECT_EQ(Attributes("LP Three"), 0xFFFFFFFFu);  // not listed: cannot be opened
}

TEST_F(SimSpoolerFile, ReloadReplacesFilePrintersButKeepsThoseAddedInProcess) {
    spooler.AddPrinterQueue("In Process", kAttributeEnableBidi);
    ASSERT_TRUE(Load("[Old]\n")) << message;
    ASSERT_TRUE(Load("[New]\nbidi = off\n")) << message;
    EXPECT_EQ(Attributes("Old"), 0xFFFFFFFFu);
    EXPECT_EQ(Attributes("New"), 0u);
    EXPECT_EQ(Attributes("In Process"), kAttributeEnableBidi);
}

TEST_F(SimSpoolerFile, MalformedLinesAreRefusedWithTheirLineNumber) {
    const struct {
        const char* text;
        const char* where;
    } cases[] = {
        {"bidi = on\n", ":1: a setting before the first [printer]"},
        {"[LP]\nbidi = maybe\n", ":2: bidi is on or off"},
        {"[LP]\nport = 70000\n", ":2: port is 1-65535"},
        {"[LP]\nreply-on-fetch = -1\n", ":2: reply-on-fetch is 0 or more"},
        {"[LP]\ncolour = red\n", ":2: unknown key colour"},
        {"[LP]\njust text\n", ":2: expected key = value"},
        {"[LP\n", ":1: a printer section is [name]"},
    };
    for (const auto& c : cases) {
        message.clear();
        EXPECT_FALSE(Load(c.text)) << c.text;
        EXPECT_NE(message.find(c.where), std::string::npos) << message;
    }
    EXPECT_FALSE(spooler.LoadFile(path + ".missing", &message));
}

TEST_F(SimSpoolerFile, JobsAndHandlesAreKeptAsTheSpoolerWould) {
    Bytes submitted;
    PortMonitorHooks hooks;
    hooks.submitJob = [&](const std::string&, const Bytes& job) { submitted = job; };
    spooler.AddPrinterQueue("LP", kAttributeEnableBidi, hooks);
    std::uintptr_t h = 0;
    int error = 0;
    ASSERT_TRUE(spooler.Open("LP", &h, &error));
    const std::uint32_t job = spooler.StartJob(h, "Doc", &error);
    ASSERT_NE(job, 0u);
    EXPECT_EQ(spooler.StartJob(h, "Second", &error), 0u);  // one document at a time
    std::uint32_t written = 0;
    const std::uint8_t data[] = {1, 2, 3};
    ASSERT_TRUE(spooler.Write(h, data, 3, &written, &error));
    ASSERT_TRUE(spooler.EndDoc(h, &error));
    EXPECT_EQ(submitted, Bytes({1, 2, 3}));
    EXPECT_TRUE(spooler.CancelJob(h, job, &error));
    EXPECT_TRUE(spooler.Jobs().at(0).cancelled);
    EXPECT_FALSE(spooler.CancelJob(h, job + 100, &error));
    EXPECT_TRUE(spooler.Close(h, &error));
    EXPECT_FALSE(spooler.Close(h, &error));
    EXPECT_EQ(spooler.OpenHandles(), 0u);
}

}  // namespace
}  // namespace kestrion::simspool
