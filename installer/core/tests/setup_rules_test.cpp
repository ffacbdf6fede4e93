#include "installer/core/setup_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/core/messages.h"

namespace {

using namespace veldra;

// A setup information file as a table of keys.
class TableProfile : public ProfileSource {
public:
    explicit TableProfile(std::map<std::string, std::string> keys) : keys(std::move(keys)) {}
    int ReadInt(const char* key, int fallback) const override {
        reads.push_back(key);
        auto it = keys.find(key);
        if (it == keys.end()) return fallback;
        try {
            return std::stoi(it->second);
        } catch (...) {
            return fallback;
        }
    }
    std::string ReadString(const char* key) const override {
        reads.push_back(key);
        auto it = keys.find(key);
        return it == keys.end() ? std::string() : it->second;
    }
    std::map<std::string, std::string> keys;
    mutable std::vector<std::string> reads;
};

std::map<std::string, std::string> CompleteSetup() {
    return {{"DISK", "3"},          {"TITLE_NAME", "ソルベナ"},   {"PRINTER_NAME", "VX-200"},
            {"INSTALL_FOLDER", "Solvena"}, {"DISK_PATH", "DISK1"}, {"SB_FILE", "Tamsel.exe"},
            {"HELP_FILE1", "Tamsel.hlp"},  {"HELP_FILE2", "Tamsel.chm"}};
}

TEST(SetupInfo, CompleteFileIsReadWithTheUninstallKey) {
    TableProfile profile(CompleteSetup());
    SetupValues values;
    ASSERT_TRUE(ReadSetupInfo(profile, 5, 1, values));
    EXPECT_EQ(values.disk, 3);
    EXPECT_EQ(values.titleName, "ソルベナ");
    EXPECT_EQ(values.printerName, "VX-200");
    EXPECT_EQ(values.installFolder, "Solvena");
    EXPECT_EQ(values.diskPath, "DISK1");
    EXPECT_EQ(values.sbFile, "Tamsel.exe");
    EXPECT_EQ(values.helpFile, "Tamsel.chm");
    EXPECT_EQ(values.uninstallKey, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Solvena");
    // The order of reading, and only one help key.
    EXPECT_EQ(profile.reads, (std::vector<std::string>{"DISK", "TITLE_NAME", "PRINTER_NAME", "INSTALL_FOLDER",
                                                       "DISK_PATH", "SB_FILE", "HELP_FILE2"}));
}

TEST(SetupInfo, HelpKeyFollowsTheSystemVersion) {
    struct Case {
        unsigned major, minor;
        const char* help;
    };
    const Case cases[] = {{4, 0, "Tamsel.hlp"}, {5, 1, "Tamsel.chm"}, {4, 10, "Tamsel.chm"},
                          {6, 0, "Tamsel.chm"}, {10, 0, "Tamsel.chm"}, {3, 0, "Tamsel.chm"}};
    for (const Case& c : cases) {
        TableProfile profile(CompleteSetup());
        SetupValues values;
        ASSERT_TRUE(ReadSetupInfo(profile, c.major, c.minor, values)) << c.major << "." << c.minor;
        EXPECT_EQ(values.helpFile, c.help) << c.major << "." << c.minor;
    }
}

TEST(SetupInfo, ZeroOrEmptyValueMakesTheFileInvalidAndStopsReading) {
    struct Case {
        const char* key;
        const char* value;  // nullptr: the key is missing
        std::size_t readsBeforeStop;
    };
    const Case cases[] = {
        {"DISK", "0", 1},           {"DISK", nullptr, 1},         {"DISK", "abc", 1},
        {"TITLE_NAME", "", 2},      {"PRINTER_NAME", nullptr, 3}, {"INSTALL_FOLDER", "", 4},
        {"DISK_PATH", "", 5},       {"SB_FILE", nullptr, 6},      {"HELP_FILE2", "", 7},
    };
    for (const Case& c : cases) {
        auto keys = CompleteSetup();
        if (c.value) keys[c.key] = c.value; else keys.erase(c.key);
        TableProfile profile(keys);
        SetupValues values;
        EXPECT_FALSE(ReadSetupInfo(profile, 5, 1, values)) << c.key;
        EXPECT_EQ(profile.reads.size(), c.readsBeforeStop) << c.key;
        EXPECT_TRUE(values.uninstallKey.empty()) << c.key;
    }
    // The help key the system does not choose may be empty.
    auto keys = CompleteSetup();
    keys["HELP_FILE1"] = "";
    TableProfile profile(keys);
    SetupValues values;
    EXPECT_TRUE(ReadSetupInfo(profile, 5, 1, values));
}

TEST(SetupInfo, LongValuesAreCutToTheBuffer) {
    auto keys = CompleteSetup();
    keys["TITLE_NAME"] = std::string(400, 'T');
    TableProfile profile(keys);
    SetupValues values;
    ASSERT_TRUE(ReadSetupInfo(profile, 5, 1, values));
    EXPECT_EQ(values.titleName.size(), kValueCapacity - 1);
}

TEST(SetupInfo, SetupFileIsTheProgramPathWithIni) {
    EXPECT_EQ(SetupFilePath("C:\\Setup\\Veldra.exe"), "C:\\Setup\\Veldra.ini");
    EXPECT_EQ(SetupFilePath("C:\\Setup\\VELDRA.EXE"), "C:\\Setup\\VELDRA.ini");
    EXPECT_EQ(SetupFilePath("ab"), "");
}

TEST(Destination, DefaultUsesTheWindowsDrive) {
    EXPECT_EQ(DefaultDestination("D:\\WINDOWS", "Abc"), "D:\\Program Files\\Abc");
    EXPECT_EQ(DefaultDestination("c:\\windows", "Solvena"), "c:\\Program Files\\Solvena");
    EXPECT_EQ(DefaultDestination("\\\\server\\win", "Abc"), "");
    EXPECT_EQ(DriveRoot("D:\\Program Files\\Abc"), "D:\\");
    EXPECT_EQ(DriveRoot("D:"), "D:");
}

TEST(Destination, OnlyFoldersBelowADriveRootAreAccepted) {
    struct Case {
        const char* path;
        bool ok;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Abc", true}, {"d:\\A", true},  {"C:\\", false},  {"C:\\\\", false},
        {"C:", false},                     {"", false},         {"Abc", false},   {"\\\\server\\share\\A", false},
        {"1:\\A", false},                 {"C:A\\B", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsAcceptableDestination(c.path), c.ok) << c.path;
}

TEST(Destination, FreeSpaceBoundaryInWholeMegabytes) {
    constexpr std::uint64_t mb = std::uint64_t{1} << 20;
    struct Case {
        std::uint64_t freeBytes;
        int disk;
        bool enough;
    };
    const Case cases[] = {
        {10 * mb, 10, true},       {10 * mb - 1, 10, false}, {11 * mb - 1, 10, true},
        {0, 1, false},             {mb - 1, 1, false},       {std::uint64_t{5000} * 1024 * mb, 2000000, true},
        {std::uint64_t{1} << 62, 2147483647, true},
    };
    for (const Case& c : cases) EXPECT_EQ(EnoughFreeSpace(c.freeBytes, c.disk), c.enough) << c.freeBytes;
}

TEST(Destination, ClusterFiguresDoNotOverflow) {
    // 4 000 000 clusters of 32 KiB: far beyond 32 bits.
    EXPECT_EQ(FreeBytesFromClusters(4000000, 512, 64), std::uint64_t{4000000} * 32768);
    EXPECT_EQ(FreeBytesFromClusters(0, 512, 8), 0u);
}

TEST(Browser, ChoiceAndPreselection) {
    EXPECT_EQ(BrowsedDestination("E:\\Apps", "Abc"), "E:\\Apps\\Abc");
    EXPECT_EQ(BrowsedDestination("E:\\", "Abc"), "E:\\Abc");
    EXPECT_EQ(BrowserPreselection("C:\\Program Files\\Abc", true), "C:\\Program Files\\Abc");
    EXPECT_EQ(BrowserPreselection("C:\\Program Files\\Abc", false), "C:\\Program Files");
    EXPECT_EQ(BrowserPreselection("C:\\Abc", false), "C:\\");
}

TEST(Browser, OkEnabledOnlyForPlainFoldersOrProgramFiles) {
    struct Case {
        const char* path;
        std::optional<std::uint32_t> attributes;
        bool ok;
    };
    const Case cases[] = {
        {"C:\\Data", kAttrDirectory, true},
        {"C:\\Data", std::nullopt, false},
        {"C:\\Data", kAttrDirectory | kAttrReadOnly, false},
        {"C:\\Data", kAttrDirectory | kAttrHidden, false},
        {"C:\\Data", kAttrDirectory | kAttrSystem, false},
        {"C:\\Data", kAttrDirectory | kAttrTemporary, false},
        {"C:\\Data", kAttrDirectory | kAttrCompressed, false},
        {"C:\\Data", kAttrDirectory | kAttrOffline, false},
        {"C:\\Data\\file.txt", 0x20u, false},
        {"C:\\Program Files", kAttrDirectory | kAttrReadOnly, true},
        {"C:\\Program Files\\Abc", std::nullopt, false},
    };
    for (const Case& c : cases) EXPECT_EQ(BrowserAcceptsPath(c.path, c.attributes), c.ok) << c.path;
}

// A file system of folders only: creation needs the parent.
class FakeFolders : public FolderSystem {
public:
    explicit FakeFolders(std::set<std::string> existing) : folders(std::move(existing)) {}
    Create CreateFolder(const std::string& path) override {
        attempts.push_back(path);
        if (refused.count(path)) return Create::Failed;
        if (folders.count(path)) return Create::Failed;  // already exists
        const std::size_t cut = path.rfind('\\');
        std::string parent = cut == std::string::npos ? "" : path.substr(0, cut);
        if (parent.size() == 2) parent += '\\';  // "C:" is the root "C:\"
        if (!folders.count(parent)) return Create::PathNotFound;
        folders.insert(path);
        return Create::Done;
    }
    bool Exists(const std::string& path) const override {
        return folders.count(path) || (path.size() == 2 && folders.count(path + "\\"));
    }
    std::set<std::string> folders;
    std::set<std::string> refused;
    std::vector<std::string> attempts;
};

TEST(CreateFolderPath, ThreeLevelsBelowTheRoot) {
    FakeFolders fs({"C:\\"});
    EXPECT_TRUE(CreateFolderPath(fs, "C:\\A\\B\\C"));
    EXPECT_TRUE(fs.folders.count("C:\\A\\B\\C"));
    EXPECT_TRUE(fs.folders.count("C:\\A\\B"));
    EXPECT_TRUE(fs.folders.count("C:\\A"));
}

TEST(CreateFolderPath, ExistingParentNeedsOneCall) {
    FakeFolders fs({"C:\\", "C:\\Program Files"});
    EXPECT_TRUE(CreateFolderPath(fs, "C:\\Program Files\\Abc"));
    EXPECT_EQ(fs.attempts, (std::vector<std::string>{"C:\\Program Files\\Abc"}));
}

TEST(CreateFolderPath, OtherFailuresEndWithoutLooping) {
    FakeFolders fs({"C:\\"});
    fs.refused = {"C:\\A\\B"};
    EXPECT_FALSE(CreateFolderPath(fs, "C:\\A\\B\\C"));
    EXPECT_FALSE(fs.folders.count("C:\\A\\B\\C"));
    EXPECT_LT(fs.attempts.size(), 20u);

    FakeFolders noDrive({"C:\\"});
    EXPECT_FALSE(CreateFolderPath(noDrive, "Q:\\A\\B"));
    EXPECT_LT(noDrive.attempts.size(), 20u);

    FakeFolders refusedOutright({"C:\\"});
    refusedOutright.refused = {"C:\\A"};
    EXPECT_FALSE(CreateFolderPath(refusedOutright, "C:\\A"));
    EXPECT_EQ(refusedOutright.attempts.size(), 1u);
}

TEST(ExpandedNames, TargetsAndMatches) {
    EXPECT_EQ(UpperPath("C:\\Program Files\\Abc\\panel.ex_"), "C:\\PROGRAM FILES\\ABC\\PANEL.EX_");
    // Characters beyond ASCII keep their bytes.
    EXPECT_EQ(UpperPath("C:\\ソルベナ\\a.txt"), "C:\\ソルベナ\\A.TXT");
    EXPECT_EQ(ExpandedTarget("C:\\ABC\\PANEL.EX_", "C:\\ABC\\PANEL.EXE"), "C:\\ABC\\PANEL.EXE");
    EXPECT_EQ(ExpandedTarget("C:\\ABC\\KESTRION.DL_", "X:\\SRC\\KESTRION.DLL"), "C:\\ABC\\KESTRION.DLL");
    EXPECT_EQ(LastComponent("C:\\SRC\\SUB\\PANEL.EXE"), "PANEL.EXE");
    EXPECT_EQ(LastComponent("PANEL.EXE"), "PANEL.EXE");
    EXPECT_TRUE(NamesMatch("C:\\SRC\\PANEL.EXE", "Panel.exe"));
    EXPECT_FALSE(NamesMatch("C:\\SRC\\PANEL.EX_", "Panel.exe"));
    EXPECT_FALSE(NamesMatch("C:\\SRC\\XPANEL.EXE", "Panel.exe"));
    EXPECT_FALSE(NamesMatch("C:\\SRC\\PANEL.EXE.BAK", "Panel.exe"));
}

TEST(Progress, PercentOfTheRange) {
    struct Case {
        int position, upper, percent;
    };
    // 10 files give a range of 15; 8 installed files a removal range of 10.
    const Case cases[] = {{0, 15, 0},   {1, 15, 6},  {14, 15, 93}, {15, 15, 100},
                          {9, 10, 90},  {10, 10, 100}, {0, 0, 0},    {3, 7, 42}};
    for (const Case& c : cases) EXPECT_EQ(ProgressPercent(c.position, c.upper), c.percent);
    EXPECT_EQ(10 + kInstallExtraSteps, 15);
    EXPECT_EQ(8 + kUninstallExtraSteps, 10);
    EXPECT_EQ(PercentText(0), "0％");
    EXPECT_EQ(PercentText(100), "100％");
}

TEST(CommandLine, SwitchesInOrderAnyCase) {
    using V = std::vector<Switch>;
    struct Case {
        const char* line;
        V switches;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Abc\\Veldra.exe\" /M", {Switch::Move}},
        {"Veldra.exe /m", {Switch::Move}},
        {" /U", {Switch::Uninstall}},
        {"x /u", {Switch::Uninstall}},
        {"Veldra.exe", {}},
        {"Veldra.exe /", {}},
        {"Veldra.exe /x /M/u", {Switch::Move, Switch::Uninstall}},
        {"a /U /m", {Switch::Uninstall, Switch::Move}},
        {"C:\\Tmp\\Veldra.exe -M", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ScanSwitches(c.line), c.switches) << c.line;
}

TEST(UninstallEntry, FourValues) {
    const UninstallValues values = MakeUninstallValues("ソルベナ", "C:\\Program Files\\Solvena");
    EXPECT_EQ(values.displayName, "ソルベナ");
    EXPECT_EQ(values.installPath, "C:\\Program Files\\Solvena");
    EXPECT_EQ(values.displayIcon, "C:\\Program Files\\Solvena\\Veldra.exe");
    EXPECT_EQ(values.uninstallString, "C:\\Program Files\\Solvena\\Veldra.exe /M");
}

TEST(UninstallEntry, DisplayNameKeeps49WholeCharacters) {
    const std::string ascii49(49, 'A');
    EXPECT_EQ(MakeUninstallValues(ascii49, "C:\\X").displayName, ascii49);
    EXPECT_EQ(MakeUninstallValues(ascii49 + "BC", "C:\\X").displayName, ascii49);
    std::string kana49;
    for (int i = 0; i < 49; ++i) kana49 += "ナ";
    EXPECT_EQ(MakeUninstallValues(kana49, "C:\\X").displayName, kana49);
    EXPECT_EQ(MakeUninstallValues(kana49 + "ソ", "C:\\X").displayName, kana49);
    EXPECT_EQ(TruncateCharacters("aナb", 2), "aナ");
    EXPECT_EQ(TruncateCharacters("", 2), "");
}

TEST(Shortcuts, LinkNamesTargetsAndDescriptions) {
    SetupValues values;
    values.titleName = "ソルベナ";
    values.printerName = "VX-200";
    values.sbFile = "Tamsel.exe";
    values.helpFile = "Tamsel.chm";
    const std::string folder = StartMenuFolder("C:\\ProgramData\\Start Menu\\Programs", values.titleName);
    EXPECT_EQ(folder, "C:\\ProgramData\\Start Menu\\Programs\\ソルベナ");
    const auto plans = MakeShortcutPlans(values, "C:\\Program Files\\Solvena", folder);
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0].linkFile, folder + "\\ソルベナ.LNK");
    EXPECT_EQ(plans[0].target, "C:\\Program Files\\Solvena\\Tamsel.exe");
    EXPECT_EQ(plans[0].description, "VX-200のプリンタ設定を変更するためのユーティリティです。");
    EXPECT_EQ(plans[0].workingFolder, "C:\\Program Files\\Solvena");
    EXPECT_EQ(plans[1].linkFile, folder + "\\ソルベナのヘルプ.LNK");
    EXPECT_EQ(plans[1].target, "C:\\Program Files\\Solvena\\Tamsel.chm");
    EXPECT_EQ(plans[1].description, "KVT VX-200 ソルベナのヘルプです。");
    EXPECT_EQ(plans[1].workingFolder, "C:\\Program Files\\Solvena");
}

TEST(Uninstall, TemporaryCopies) {
    EXPECT_EQ(TemporaryProgramPath("C:\\users\\u\\Temp\\"), "C:\\users\\u\\Temp\\Veldra.exe");
    EXPECT_EQ(TemporaryProgramPath("C:\\Temp"), "C:\\Temp\\Veldra.exe");
    EXPECT_EQ(TemporarySetupPath("C:\\Temp\\"), "C:\\Temp\\Veldra.ini");
    EXPECT_STREQ(kSecondStageCommandLine, " /U");
}

TEST(Messages, FillReplacesTheOnePlaceholderLiterally) {
    EXPECT_EQ(Fill(text::kShowHelpQuestion, "ソルベナ"), "今すぐにソルベナのヘルプを表示しますか？");
    EXPECT_EQ(Fill(text::kErrorNumber, "5"), "エラー番号：5");
    EXPECT_EQ(Fill("%s%d", "50%s"), "50%s%d");
    EXPECT_EQ(Fill("no placeholder", "x"), "no placeholder");
}

}  // namespace
