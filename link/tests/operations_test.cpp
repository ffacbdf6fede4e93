// The common opening of the six operations: null arguments, the target check,
// output zeroing, and what each operation sends under which document name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "link/core/operations.h"
#include "link/tests/fake_platform.h"

namespace kestrion::link::testing {
namespace {

PrinterTarget SpoolerTarget(const char* name) {
    PrinterTarget t{};
    t.connection = 0;
    t.nameLength = static_cast<std::uint32_t>(std::string(name).size());
    t.printerName = name;
    return t;
}

struct OpenCall {
    const char* name;
    // Calls the operation; null pointers where asked.
    std::function<std::int32_t(Platform&, const PrinterTarget*, std::int32_t* sysError, int nullArgument)> call;
    int pointerCount;  // including target and sysError
};

std::int32_t gParam[31], gAdjust[8], gAddress[6], gStatus;

template <typename T>
T* Null(T* p, int index, int nullIndex) {
    return index == nullIndex ? nullptr : p;
}

const OpenCall kOperations[] = {
    {"DllGetPrinterStatus",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return GetPrinterStatus(p, Null(t, 0, n), Null(&gStatus, 1, n), Null(e, 2, n));
     },
     3},
    {"DllGetPrinterParam",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return GetPrinterParam(p, Null(t, 0, n), Null(gParam, 1, n), Null(gAdjust, 2, n), Null(gAddress, 3, n),
                                Null(e, 4, n));
     },
     5},
    {"DllSetPrinterParam",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return SetPrinterParam(p, Null(t, 0, n), Null<const std::int32_t>(gParam, 1, n), Null(e, 2, n));
     },
     3},
    {"DllSetPrinterAdjust",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return SetPrinterAdjust(p, Null(t, 0, n), Null<const std::int32_t>(gAdjust, 1, n), Null(e, 2, n));
     },
     3},
    {"DllSetPrinterAdd",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return SetPrinterAddress(p, Null(t, 0, n), Null<const std::int32_t>(gAddress, 1, n), Null(e, 2, n));
     },
     3},
    {"DllResetPrinter",
     [](Platform& p, const PrinterTarget* t, std::int32_t* e, int n) {
         return ResetPrinter(p, Null(t, 0, n), Null(e, 1, n));
     },
     2},
};

TEST(CommonOpening, AnyNullPointerGivesMinus900AndTouchesNothing) {
    for (const OpenCall& op : kOperations) {
        for (int n = 0; n < op.pointerCount; ++n) {
            FakePlatform fake;
            const PrinterTarget t = SpoolerTarget("LP-1");
            std::int32_t sysError = 1234;
            gStatus = 55;
            gParam[0] = 9;
            EXPECT_EQ(op.call(fake.platform, &t, &sysError, n), LINK_E_NULL_ARG) << op.name << " null #" << n;
            EXPECT_EQ(sysError, 1234) << op.name;
            EXPECT_EQ(gStatus, 55);
            EXPECT_EQ(gParam[0], 9);
            EXPECT_TRUE(fake.spooler.script.Calls().empty()) << op.name;
        }
    }
}

struct TargetCase {
    const char* name;
    PrinterTarget target;
    std::int32_t check;
};

PrinterTarget Net(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint32_t port) {
    PrinterTarget t{};
    t.connection = 1;
    t.ipAddress[0] = a;
    t.ipAddress[1] = b;
    t.ipAddress[2] = c;
    t.ipAddress[3] = d;
    t.port = port;
    return t;
}

PrinterTarget Spool(std::uint32_t length, const char* name) {
    PrinterTarget t{};
    t.connection = 0;
    t.nameLength = length;
    t.printerName = name;
    return t;
}

const std::string kName244(244, 'P');
const std::string kName245(245, 'P');

TEST(ValidateTarget, Table) {
    PrinterTarget other = Spool(4, "LP-1");
    other.connection = 2;
    PrinterTarget minusOne = Spool(4, "LP-1");
    minusOne.connection = -1;
    const TargetCase cases[] = {
        {"spooler name length 2", Spool(2, "AB"), LINK_OK},
        {"spooler name length 1", Spool(1, "AB"), LINK_E_TARGET},
        {"spooler name length 65535", Spool(65535, "AB"), LINK_OK},
        {"spooler name length 65536", Spool(65536, "AB"), LINK_E_TARGET},
        {"spooler null name", Spool(4, nullptr), LINK_E_TARGET},
        {"spooler name of 244 characters", Spool(244, kName244.c_str()), LINK_OK},
        {"spooler name of 245 characters", Spool(245, kName245.c_str()), LINK_E_TARGET},
        {"spooler long name, short length", Spool(4, kName245.c_str()), LINK_E_TARGET},
        {"network 0.0.0.0", Net(0, 0, 0, 0, 9100), LINK_E_TARGET},
        {"network 255.255.255.255", Net(255, 255, 255, 255, 9100), LINK_E_TARGET},
        {"network 255.255.255.254", Net(255, 255, 255, 254, 9100), LINK_OK},
        {"network port 65535", Net(127, 0, 0, 1, 65535), LINK_OK},
        {"network port 65536", Net(127, 0, 0, 1, 65536), LINK_E_TARGET},
        {"network port 0", Net(127, 0, 0, 1, 0), LINK_OK},
        {"network ignores the name", [] { PrinterTarget t = Net(127, 0, 0, 1, 1); t.nameLength = 0; return t; }(),
         LINK_OK},
        {"connection 2", other, LINK_E_TARGET},
        {"connection -1", minusOne, LINK_E_TARGET},
    };
    for (const TargetCase& c : cases) EXPECT_EQ(ValidateTarget(c.target), c.check) << c.name;
}

TEST(CommonOpening, BadTargetTouchesNeitherSpoolerNorNetworkNorOutputs) {
    const PrinterTarget bad[] = {[] { PrinterTarget t = Spool(4, "LP-1"); t.connection = 2; return t; }(),
                                 Spool(245, kName245.c_str()), Net(0, 0, 0, 0, 1)};
    for (const PrinterTarget& t : bad) {
        for (const OpenCall& op : kOperations) {
            FakePlatform fake;
            std::int32_t sysError = 1234;
            gParam[5] = 9;
            gStatus = 55;
            EXPECT_EQ(op.call(fake.platform, &t, &sysError, -1), LINK_E_TARGET) << op.name;
            EXPECT_EQ(sysError, 0) << op.name;
            EXPECT_EQ(gParam[5], 9) << op.name;  // zeroing comes after the check
            EXPECT_EQ(gStatus, 55);
            EXPECT_TRUE(fake.spooler.script.Calls().empty()) << op.name;
            EXPECT_TRUE(fake.sockets.script.Calls().empty()) << op.name;
        }
    }
}

// What each operation sends, under which document name.
TEST(Operations, CommandsAndDocumentNames) {
    std::int32_t param[31] = {};
    std::int32_t adjust[8] = {-1, 300, -2, 300, 0, 0, 0, 0};
    std::int32_t address[6] = {PackOctets({192, 168, 0, 5}), PackOctets({255, 255, 255, 0}),
                               PackOctets({192, 168, 0, 1}), 5, 0, 9100};
    param[25] = 3;
    const ParamSetBytes paramSet = BuildParamSet(param);
    const AdjustSetBytes adjustSet = BuildAdjustSet(adjust);
    const AddressSetBytes addressSet = BuildAddressSet(address);
    struct Expect {
        const char* doc;
        Bytes bytes;
        std::function<std::int32_t(Platform&, const PrinterTarget*, std::int32_t*)> call;
    };
    const Expect cases[] = {
        {"Qzelrin_DllSetParam", Bytes(paramSet.begin(), paramSet.end()),
         [&](Platform& p, const PrinterTarget* t, std::int32_t* e) { return SetPrinterParam(p, t, param, e); }},
        {"Qzelrin_DllSetAdjust", Bytes(adjustSet.begin(), adjustSet.end()),
         [&](Platform& p, const PrinterTarget* t, std::int32_t* e) { return SetPrinterAdjust(p, t, adjust, e); }},
        {"Qzelrin_DllSetIP", Bytes(addressSet.begin(), addressSet.end()),
         [&](Platform& p, const PrinterTarget* t, std::int32_t* e) { return SetPrinterAddress(p, t, address, e); }},
        {"Qzelrin_DllResetprinter", Bytes(kResetCommand.begin(), kResetCommand.end()),
         [&](Platform& p, const PrinterTarget* t, std::int32_t* e) { return ResetPrinter(p, t, e); }},
    };
    for (const Expect& c : cases) {
        FakePlatform fake;
        const PrinterTarget t = SpoolerTarget("LP-1");
        std::int32_t sysError = 0;
        ASSERT_EQ(c.call(fake.platform, &t, &sysError), LINK_OK) << c.doc;
        EXPECT_EQ(fake.spooler.documentName, c.doc);
        EXPECT_EQ(fake.spooler.written, c.bytes) << c.doc;
        EXPECT_TRUE(fake.spooler.valueNames.empty()) << c.doc;
    }
    EXPECT_EQ(paramSet[14] & 0xC0, 0xC0);
    EXPECT_EQ(addressSet.size(), 103u);
}

// Status characters are converted the way atol does.
TEST(Operations, StatusCharacters) {
    struct Case {
        std::uint8_t a, b;
        std::int32_t status;
    };
    const Case cases[] = {{'0', '7', 7}, {' ', '5', 5}, {'-', '3', -3}, {'A', 'B', 0}, {'4', '2', 42}};
    for (const Case& c : cases) {
        FakePlatform fake;
        fake.spooler.value = Envelope({0x01, 0x02, c.a, c.b});
        const PrinterTarget t = SpoolerTarget("LP-1");
        std::int32_t status = -99, sysError = 0;
        ASSERT_EQ(GetPrinterStatus(fake.platform, &t, &status, &sysError), LINK_OK);
        EXPECT_EQ(status, c.status) << c.a << c.b;
    }
    FakePlatform fake;
    fake.spooler.value = Envelope({0x02, 0x01, '0', '7'});
    const PrinterTarget t = SpoolerTarget("LP-1");
    std::int32_t status = -99, sysError = 0;
    EXPECT_EQ(GetPrinterStatus(fake.platform, &t, &status, &sysError), LINK_E_STATUS_REPLY);
    EXPECT_EQ(status, -99);
}

}  // namespace
}  // namespace kestrion::link::testing
