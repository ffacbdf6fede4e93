// The file commands of the kestrion tool (show, import, diff) and its
// command-line errors; no printer involved.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>

#include "tools/kestrion/cli.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using tamsel::SettingsRecord;

struct Result {
    int code;
    std::string out, err;
};

// A record as a printer might hold it: not the factory values, DIP switches
// read, an address whose octets look like line ends.
SettingsRecord Unusual() {
    SettingsRecord r = SettingsRecord::Factory();
    const std::int32_t dips[10] = {1, 0, 1, 1, 0, 0, 1, 0, 1, tamsel::kDipNotAvailable};
    std::copy(std::begin(dips), std::end(dips), r.param);
    r.param[kestrion::kBackFeedSpeed] = 3;
    r.param[kestrion::kCutterMode] = 1;
    r.param[kestrion::kPrintDirection] = -1;  // no button chosen
    r.adjust[0] = -10;
    r.adjust[2] = -57;
    r.adjust[7] = -1057;
    r.address[kestrion::kIpAddress] = kestrion::PackOctets({10, 0, 13, 10});
    r.address[kestrion::kSubnetMask] = kestrion::PackOctets({255, 255, 0, 0});
    r.address[kestrion::kDhcpBootp] = 1;
    r.address[kestrion::kSocketPort] = 65525;
    return r;
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override {
        tempDir = fs::temp_directory_path() / ("kes-cli-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        env.bind = [](std::string& error) -> std::optional<tamsel::LinkOperations> {
            error = "no printer in this test";
            return std::nullopt;
        };
        env.describeSystemError = [](std::int32_t code) { return "error " + std::to_string(code); };
        env.printerNameForSpooler = [](const std::string& s) { return s; };
    }
    void TearDown() override { fs::remove_all(tempDir); }

    Result Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = RunKestrion(args, out, err, env);
        return {code, out.str(), err.str()};
    }

    std::string Path(const std::string& name) const { return (tempDir / name).string(); }

    std::string Save(const std::string& name, const SettingsRecord& r) {
        EXPECT_EQ(tamsel::SaveSettingsFile(tempDir / name, r), tamsel::SaveResult::Saved);
        return Path(name);
    }

    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    fs::path tempDir;
    Environment env;
};

TEST_F(CliFiles, ShowDescribesEverySettingInWords) {
    const Result r = Run({"show", Save("u.dat", Unusual())});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    for (const char* line : {
             "[パラメータ設定1]\n",
             "  バックフィード速度: 4ips\n",
             "  カッターオプション制御方法: パーシャルカット\n",
             "  印刷方向: 選択なし (値 -1)\n",
             "[パラメータ設定2]\n",
             "  黒マーク検出時の頭出し制御: 黒マーク下端\n",
             "  自動カット位置送り機能: 有効\n",
             "[微調整設定]\n",
             "  印刷濃度微調整値(感熱): -10 ステップ\n",
             "  フィード量微調整値: 前方 5.7 mm\n",
             "  X位置微調整値: 左側 105.7 mm\n",
             "[IPアドレス設定]\n",
             "  DHCP/BOOTP機能設定: DHCP/BOOTP機能無効\n",
             "  IPアドレス: 10.0.13.10\n",
             "  ポート番号: 65525\n",
             "[DIPSW状態表示]\n",
             "  DIPSW   1 - 2 : 未使用\n",
             "  DIPSW   3 - 4 : カット印刷モード \n",
             "  DIPSW  10      : 不明 \n",
         }) {
        EXPECT_THAT(r.out, HasSubstr(line));
    }
}

TEST_F(CliFiles, ShowJsonThenImportReproducesTheFileByteForByte) {
    for (const auto& [name, record] : {std::pair{"factory", SettingsRecord::Factory()}, std::pair{"unusual", Unusual()}}) {
        const std::string dat = Save(std::string(name) + ".dat", record);
        const Result shown = Run({"show", dat, "--json"});
        ASSERT_EQ(shown.code, kExitOk) << shown.err;
        const std::string json = Path(std::string(name) + ".json");
        WriteText(json, shown.out);
        const std::string back = Path(std::string(name) + "-back.dat");
        const Result imported = Run({"import", json, "-o", back});
        ASSERT_EQ(imported.code, kExitOk) << imported.err;
        EXPECT_EQ(ReadText(back), ReadText(dat)) << name;
    }
}

// A file read from a printer on port 9100 goes through show --json and import
// unchanged, with a warning; ports the address page takes give none.
TEST_F(CliFiles, ImportKeepsAnyPortAndWarnsOutsideTheAddressPageRange) {
    const struct {
        std::int32_t port;
        bool warned;
    } cases[] = {{9100, true}, {0, true}, {65535, true}, {9999, true}, {65526, true}, {10000, false}, {65525, false}};
    for (const auto& c : cases) {
        SettingsRecord r = Unusual();
        r.address[kestrion::kSocketPort] = c.port;
        const std::string name = "port" + std::to_string(c.port);
        const std::string dat = Save(name + ".dat", r);
        const Result shown = Run({"show", dat, "--json"});
        ASSERT_EQ(shown.code, kExitOk) << shown.err;
        const std::string json = Path(name + ".json");
        WriteText(json, shown.out);
        const std::string back = Path(name + "-back.dat");
        const Result imported = Run({"import", json, "-o", back});
        ASSERT_EQ(imported.code, kExitOk) << c.port << ": " << imported.err;
        EXPECT_EQ(ReadText(back), ReadText(dat)) << c.port;
        if (c.warned) {
            EXPECT_THAT(imported.err, HasSubstr("warning: socket port " + std::to_string(c.port) + " is outside 10000-65525"));
        } else {
            EXPECT_EQ(imported.err, "") << c.port;
        }
    }
    // The send that includes the address block still refuses port 9100.
    SettingsRecord r = SettingsRecord::Factory();
    r.address[kestrion::kSocketPort] = 9100;
    const Result sent = Run({"send", Save("9100.dat", r), "--all", "--ip", "127.0.0.1"});
    EXPECT_EQ(sent.code, kExitInput);
}

// A change to the JSON of the factory record and what import must say.
struct ImportCase {
    const char* name;
    std::function<void(kjson::Value&)> edit;
    const char* message;
};

void PrintTo(const ImportCase& c, std::ostream* os) { *os << c.name; }

kjson::Value* Member(kjson::Value& v, const std::string& key) {
    for (auto& [k, m] : v.members) {
        if (k == key) return &m;
    }
    return nullptr;
}

void Remove(kjson::Value& v, const std::string& key) {
    std::erase_if(v.members, [&](const auto& m) { return m.first == key; });
}

class CliImportErrors : public CliFiles, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(CliImportErrors, NameTheFieldAndWriteNothing) {
    const ImportCase& c = GetParam();
    kjson::Value json = RecordToJson(SettingsRecord::Factory());
    c.edit(json);
    const std::string in = Path("in.json"), out = Path("out.dat");
    WriteText(in, kjson::Write(json));
    const Result r = Run({"import", in, "-o", out});
    EXPECT_EQ(r.code, kExitInput);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(fs::exists(out)) << "nothing may be written";
}

INSTANTIATE_TEST_SUITE_P(
    Table, CliImportErrors,
    ::testing::Values(
        ImportCase{"unknown top key", [](kjson::Value& j) { j.Add("extra", kjson::Value::Number(1)); },
                   "(document).extra: unknown key"},
        ImportCase{"unknown parameter",
                   [](kjson::Value& j) { Member(j, "parameters")->Add("speed", kjson::Value::Number(1)); },
                   "parameters.speed: unknown key"},
        ImportCase{"choice out of range",
                   [](kjson::Value& j) {
                       *Member(*Member(*Member(j, "parameters"), "backFeedSpeed"), "value") = kjson::Value::Number(4);
                   },
                   "parameters.backFeedSpeed.value: 4 is outside -1 to 3"},
        ImportCase{"choice not a number",
                   [](kjson::Value& j) {
                       *Member(*Member(*Member(j, "parameters"), "zeroSlash"), "value") = kjson::Value::String("1");
                   },
                   "parameters.zeroSlash.value: must be an integer"},
        ImportCase{"missing parameter", [](kjson::Value& j) { Remove(*Member(j, "parameters"), "pageControl"); },
                   "parameters.pageControl: missing"},
        ImportCase{"density wider than 8 bits",
                   [](kjson::Value& j) {
                       *Member(*Member(*Member(j, "fineAdjust"), "thermalDensity"), "value") = kjson::Value::Number(128);
                   },
                   "fineAdjust.thermalDensity.value: 128 is outside -128 to 127"},
        ImportCase{"distance wider than 16 bits",
                   [](kjson::Value& j) {
                       *Member(*Member(*Member(j, "fineAdjust"), "xPositionAdjust"), "value") =
                           kjson::Value::Number(-40000);
                   },
                   "fineAdjust.xPositionAdjust.value: -40000 is outside -32768 to 32767"},
        ImportCase{"bad address",
                   [](kjson::Value& j) { *Member(*Member(j, "address"), "gateway") = kjson::Value::String("10.0.0.256"); },
                   "address.gateway: must be a dotted address"},
        ImportCase{"short address",
                   [](kjson::Value& j) { *Member(*Member(j, "address"), "ipAddress") = kjson::Value::String("10.0.1"); },
                   "address.ipAddress: must be a dotted address"},
        ImportCase{"negative port",
                   [](kjson::Value& j) { *Member(*Member(j, "address"), "socketPort") = kjson::Value::Number(-1); },
                   "address.socketPort: -1 is outside 0 to 65535"},
        ImportCase{"port beyond 16 bits",
                   [](kjson::Value& j) { *Member(*Member(j, "address"), "socketPort") = kjson::Value::Number(65536); },
                   "address.socketPort: 65536 is outside 0 to 65535"},
        ImportCase{"dhcp out of range",
                   [](kjson::Value& j) {
                       *Member(*Member(*Member(j, "address"), "dhcpBootp"), "value") = kjson::Value::Number(2);
                   },
                   "address.dhcpBootp.value: 2 is outside -1 to 1"},
        ImportCase{"dip state 2",
                   [](kjson::Value& j) {
                       Member(*Member(j, "dipSwitches"), "states")->items[4] = kjson::Value::Number(2);
                   },
                   "dipSwitches.states[4]: 2 is not a switch state"},
        ImportCase{"nine dip states",
                   [](kjson::Value& j) { Member(*Member(j, "dipSwitches"), "states")->items.pop_back(); },
                   "dipSwitches.states: must be an array of 10 states"},
        ImportCase{"unknown key in a setting",
                   [](kjson::Value& j) {
                       Member(*Member(j, "parameters"), "errorBuzzer")->Add("valeu", kjson::Value::Number(1));
                   },
                   "parameters.errorBuzzer.valeu: unknown key"}));

TEST_F(CliFiles, ImportRefusesBrokenJson) {
    const std::string in = Path("broken.json"), out = Path("out.dat");
    WriteText(in, "{\"parameters\": {");
    const Result r = Run({"import", in, "-o", out});
    EXPECT_EQ(r.code, kExitInput);
    EXPECT_THAT(r.err, HasSubstr("not valid JSON: line 1"));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliFiles, DiffListsTheSettingsThatDiffer) {
    const std::string a = Save("a.dat", SettingsRecord::Factory());
    SettingsRecord changed = SettingsRecord::Factory();
    changed.param[kestrion::kBackFeedSpeed] = 2;
    changed.adjust[2] = -5;
    changed.param[3] = 1;
    const std::string b = Save("b.dat", changed);

    const Result same = Run({"diff", a, a});
    EXPECT_EQ(same.code, kExitOk);
    EXPECT_EQ(same.out, "no differences\n");

    const Result d = Run({"diff", a, b});
    EXPECT_EQ(d.code, kExitDiffers);
    EXPECT_EQ(d.out,
              "パラメータ設定1 / バックフィード速度: 6ips → 3ips\n"
              "微調整設定 / フィード量微調整値: 後方 0.0 mm → 前方 0.5 mm\n"
              "DIPSW状態表示 / DIPSW 4: OFF → ON\n");
}

TEST_F(CliFiles, FileErrorsAndUsageErrorsAreToldApart) {
    const std::string dat = Save("a.dat", SettingsRecord::Factory());
    const std::string notSettings = Path("x.dat");
    WriteText(notSettings, std::string(300, 'x'));
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{}, kExitUsage, "usage: kestrion COMMAND"},
        {{"frobnicate"}, kExitUsage, "unknown command 'frobnicate'"},
        {{"show"}, kExitUsage, "missing file name"},
        {{"show", dat, "--bogus"}, kExitUsage, "unknown option '--bogus'"},
        {{"show", dat, "--ip", "127.0.0.1"}, kExitUsage, "does not talk to a printer"},
        {{"read", "--ip", "127.0.0.1"}, kExitUsage, "-o FILE.dat is required"},
        {{"read", "--ip", "127.0.0.1", "--printer", "P", "-o", "x"}, kExitUsage, "not both"},
        {{"status", "--ip", "127.0.0.300"}, kExitUsage, "--ip wants a dotted address"},
        {{"status", "--ip", "127.0.0.1", "--port", "70000"}, kExitUsage, "--port wants a number"},
        {{"status", "--ip", "127.0.0.1", "--local"}, kExitUsage, "--local belongs to --printer"},
        {{"status"}, kExitUsage, "no printer given"},
        {{"send", dat, "--param", "--adjust", "--ip", "127.0.0.1"}, kExitUsage, "choose exactly one"},
        {{"send", dat, "--ip", "127.0.0.1"}, kExitUsage, "choose exactly one"},
        {{"show", notSettings}, kExitInput, "not a settings file"},
        {{"show", Path("absent.dat")}, kExitInput, "cannot be opened"},
        {{"diff", dat, notSettings}, kExitInput, "not a settings file"},
        {{"status", "--ip", "127.0.0.1"}, kExitPrinter, "cannot use the link library: no printer in this test"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(r.code, c.code) << line;
        EXPECT_THAT(r.err, HasSubstr(c.message)) << line;
    }
}

TEST_F(CliFiles, SpoolerTargetsAreRefusedWhereThereIsNoSpooler) {
    bool bound = false;
    env.bind = [&bound](std::string& error) -> std::optional<tamsel::LinkOperations> {
        bound = true;
        error = "no printer in this test";
        return std::nullopt;
    };
    env.spoolerTargets = false;
    const std::string dat = Save("a.dat", SettingsRecord::Factory());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"status", "--printer", "LP"}, {"reset", "--printer", "LP", "--local"},
             {"send", dat, "--param", "--printer", "LP"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, kExitUsage) << args[0];
        EXPECT_THAT(r.err, HasSubstr("--printer needs the Windows spooler")) << args[0];
    }
    EXPECT_FALSE(bound);
    // Network targets still reach the library.
    EXPECT_EQ(Run({"status", "--ip", "127.0.0.1"}).code, kExitPrinter);
    EXPECT_TRUE(bound);
}

TEST_F(CliFiles, EveryCommandHasHelp) {
    for (const char* command : {"status", "read", "send", "reset", "show", "diff", "import"}) {
        const Result r = Run({command, "--help"});
        EXPECT_EQ(r.code, kExitOk) << command;
        EXPECT_THAT(r.out, HasSubstr(std::string("usage: kestrion ") + command)) << command;
    }
    EXPECT_EQ(Run({"--help"}).code, kExitOk);
}

TEST_F(CliFiles, SendRefusesAnAddressBlockWithThePortOutOfRange) {
    SettingsRecord r = SettingsRecord::Factory();
    r.address[kestrion::kSocketPort] = 9100;
    const std::string dat = Save("p.dat", r);
    const Result res = Run({"send", dat, "--address", "--ip", "127.0.0.1"});
    EXPECT_EQ(res.code, kExitInput);
    EXPECT_THAT(res.err, HasSubstr("ソケット通信ポート番号が範囲外です。"));
}

}  // namespace
}  // namespace kestrion_cli
