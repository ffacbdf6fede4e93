// The loader against two small stand-in libraries (all six exports; all but
// DllSetPrinterAdjust) and a file that does not exist. Whether a module is
// still loaded is asked of the system itself.
#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "link/link_library.h"

namespace {

using kestrion::LinkLibrary;
using kestrion::Op;
using kestrion::Operations;

// Natively full paths; on Windows file names found in the program's folder.
const std::string kFull = KES_FIXTURE_FULL;
const std::string kPartial = KES_FIXTURE_PARTIAL;
#ifdef _WIN32
const std::string kAbsent = "kes-no-such-library.dll";
#else
const std::string kAbsent = "/nonexistent/kes-no-such-library.so";
#endif

bool IsModuleLoaded(const std::string& file) {
#ifdef _WIN32
    return ::GetModuleHandleA(file.c_str()) != nullptr;
#else
    void* handle = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle != nullptr) ::dlclose(handle);
    return handle != nullptr;
#endif
}

// A pointer no library gives, to see that a failed Bind leaves `ops` alone.
int32_t KESTRION_CALL Sentinel(const PrinterTarget*, int32_t*) { return -1; }

class LinkLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(IsModuleLoaded(kFull));
        ASSERT_FALSE(IsModuleLoaded(kPartial));
    }
    void TearDown() override {
        EXPECT_FALSE(IsModuleLoaded(kFull));
        EXPECT_FALSE(IsModuleLoaded(kPartial));
    }
};

TEST_F(LinkLibraryTest, BindAllPutsEachExportInItsOwnSlot) {
    LinkLibrary lib;
    ASSERT_TRUE(lib.Load(kFull)) << lib.LoadError();
    EXPECT_TRUE(lib.IsLoaded());
    EXPECT_EQ(lib.LoadError(), "");
    Operations ops;
    std::string missing = "untouched";
    ASSERT_TRUE(lib.BindAll(ops, &missing));
    EXPECT_EQ(missing, "untouched");
    int32_t value[31] = {};
    int32_t sysError = 0;
    const PrinterTarget target{};
    EXPECT_EQ(ops.getStatus(&target, value, &sysError), 101);
    EXPECT_EQ(ops.getParam(&target, value, value, value, &sysError), 102);
    EXPECT_EQ(ops.setParam(&target, value, &sysError), 103);
    EXPECT_EQ(ops.setAdjust(&target, value, &sysError), 104);
    EXPECT_EQ(ops.setAddress(&target, value, &sysError), 105);
    EXPECT_EQ(ops.reset(&target, &sysError), 106);
}

TEST_F(LinkLibraryTest, BindSetsOnlyTheNamedSlots) {
    LinkLibrary lib;
    ASSERT_TRUE(lib.Load(kPartial)) << lib.LoadError();
    Operations ops;
    // The library lacks DllSetPrinterAdjust, which is not asked for.
    ASSERT_TRUE(lib.Bind({Op::Reset, Op::GetParam}, ops));
    EXPECT_NE(ops.reset, nullptr);
    EXPECT_NE(ops.getParam, nullptr);
    EXPECT_EQ(ops.getStatus, nullptr);
    EXPECT_EQ(ops.setParam, nullptr);
    EXPECT_EQ(ops.setAdjust, nullptr);
    EXPECT_EQ(ops.setAddress, nullptr);
    int32_t sysError = 0;
    EXPECT_EQ(ops.reset(nullptr, &sysError), 106);
    EXPECT_TRUE(lib.Bind({}, ops));
}

TEST_F(LinkLibraryTest, MissingExportIsNamedAndNothingIsStored) {
    LinkLibrary lib;
    ASSERT_TRUE(lib.Load(kPartial)) << lib.LoadError();
    Operations ops;
    ops.reset = Sentinel;
    std::string missing;

    EXPECT_FALSE(lib.BindAll(ops, &missing));
    EXPECT_EQ(missing, "DllSetPrinterAdjust");
    // Found before the missing one, yet not stored.
    EXPECT_EQ(ops.getStatus, nullptr);
    EXPECT_EQ(ops.reset, &Sentinel);

    missing.clear();
    EXPECT_FALSE(lib.Bind({Op::Reset, Op::SetAdjust, Op::GetStatus}, ops, &missing));
    EXPECT_EQ(missing, "DllSetPrinterAdjust");
    EXPECT_EQ(ops.reset, &Sentinel);
    EXPECT_EQ(ops.getStatus, nullptr);

    // Without a place for the name, the answer is the same.
    EXPECT_FALSE(lib.Bind({Op::SetAdjust}, ops));
    EXPECT_TRUE(lib.IsLoaded());
}

TEST_F(LinkLibraryTest, MissingFileGivesTheSystemsReason) {
    LinkLibrary lib;
    EXPECT_FALSE(lib.Load(kAbsent));
    EXPECT_FALSE(lib.IsLoaded());
    const std::string error = lib.LoadError();
#ifdef _WIN32
    EXPECT_NE(error.find("(error 126)"), std::string::npos) << error;  // ERROR_MOD_NOT_FOUND
    EXPECT_GT(error.size(), std::string(" (error 126)").size()) << error;  // with the system's words
#else
    EXPECT_NE(error.find(kAbsent), std::string::npos) << error;
    EXPECT_GT(error.size(), kAbsent.size() + 2) << error;
#endif

    Operations ops;
    ops.reset = Sentinel;
    std::string missing = "untouched";
    EXPECT_FALSE(lib.BindAll(ops, &missing));
    EXPECT_EQ(missing, "");
    EXPECT_EQ(ops.reset, &Sentinel);
    EXPECT_FALSE(LinkLibrary().Bind({Op::Reset}, ops, &missing));
}

TEST_F(LinkLibraryTest, NamesThatWouldMeanTheProgramItselfAreRefused) {
    // dlopen("") hands back the running program, whose own symbols would
    // then be bound as if they were the library's.
    for (const std::string& name : {std::string(), std::string("\0x", 2), kFull + std::string(1, '\0')}) {
        LinkLibrary lib;
        EXPECT_FALSE(lib.Load(name));
        EXPECT_FALSE(lib.IsLoaded());
        EXPECT_NE(lib.LoadError(), "");
        Operations ops;
        EXPECT_FALSE(lib.BindAll(ops));
    }
}

TEST_F(LinkLibraryTest, FreedOnEveryPath) {
    {  // destruction, after a successful bind
        LinkLibrary lib;
        ASSERT_TRUE(lib.Load(kFull));
        Operations ops;
        ASSERT_TRUE(lib.BindAll(ops));
        EXPECT_TRUE(IsModuleLoaded(kFull));
    }
    EXPECT_FALSE(IsModuleLoaded(kFull));

    {  // destruction, after a failed bind
        LinkLibrary lib;
        ASSERT_TRUE(lib.Load(kPartial));
        Operations ops;
        EXPECT_FALSE(lib.BindAll(ops));
        EXPECT_TRUE(IsModuleLoaded(kPartial));
    }
    EXPECT_FALSE(IsModuleLoaded(kPartial));

    LinkLibrary lib;
    ASSERT_TRUE(lib.Load(kFull));
    lib.Free();  // explicitly, and a second time harmlessly
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_FALSE(IsModuleLoaded(kFull));
    lib.Free();

    ASSERT_TRUE(lib.Load(kFull));  // another Load frees the first library
    ASSERT_TRUE(lib.Load(kPartial));
    EXPECT_FALSE(IsModuleLoaded(kFull));
    EXPECT_TRUE(IsModuleLoaded(kPartial));

    EXPECT_FALSE(lib.Load(kAbsent));  // so does a failed one
    EXPECT_FALSE(IsModuleLoaded(kPartial));
    EXPECT_FALSE(lib.Load(""));

    ASSERT_TRUE(lib.Load(kFull));  // a move hands the library on, once
    {
        LinkLibrary other(std::move(lib));
        EXPECT_FALSE(lib.IsLoaded());
        EXPECT_TRUE(other.IsLoaded());
        LinkLibrary third;
        ASSERT_TRUE(third.Load(kPartial));
        third = std::move(other);  // frees what `third` held
        EXPECT_FALSE(IsModuleLoaded(kPartial));
        EXPECT_TRUE(IsModuleLoaded(kFull));
    }
    EXPECT_FALSE(IsModuleLoaded(kFull));
}

}  // namespace
