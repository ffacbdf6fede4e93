// The test label as drawn by the build (bitmap 191): its byte layout, and its
// codes read back from the pixels. The two bar codes are decoded here with
// exact module widths (one picture pixel is one dot at 305 dpi), the QR code
// by zbarimg, an ordinary reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1244;
constexpr int kHeight = 707;
constexpr std::size_t kRowBytes = kWidth * 3;
constexpr std::size_t kPixelBytes = 2638524;
constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;

std::string EnvPath(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The picture as black (true) and white dots, top row first.
class Label {
public:
    explicit Label(const std::vector<std::uint8_t>& file) {
        const std::size_t pixels = kFileHeader + kInfoHeader;
        dots.resize(static_cast<std::size_t>(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y) {
            // Rows are stored bottom-up.
            const std::size_t row = pixels + static_cast<std::size_t>(kHeight - 1 - y) * kRowBytes;
            for (int x = 0; x < kWidth; ++x) dots[static_cast<std::size_t>(y) * kWidth + x] = file[row + x * 3] == 0;
        }
    }
    bool Black(int x, int y) const { return dots[static_cast<std::size_t>(y) * kWidth + x]; }

    // Widths of the alternating runs of row y, starting with white.
    std::vector<int> Runs(int y) const {
        std::vector<int> runs;
        bool colour = false;
        int length = 0;
        for (int x = 0; x < kWidth; ++x) {
            if (Black(x, y) != colour) {
                runs.push_back(length);
                colour = !colour;
                length = 0;
            }
            ++length;
        }
        runs.push_back(length);
        return runs;
    }

private:
    std::vector<bool> dots;
};

// A bar code read across one row: narrow and wide elements must be exactly
// the module widths; anything else is no symbol.
struct Symbology {
    int narrow;
    int wide;
};

// Element of runs[i] as 0 (narrow) or 1 (wide), -1 for neither.
int Element(const std::vector<int>& runs, std::size_t i, Symbology s) {
    if (i >= runs.size()) return -1;
    if (runs[i] == s.narrow) return 0;
    if (runs[i] == s.wide) return 1;
    return -1;
}

std::string Pattern(const std::vector<int>& runs, std::size_t from, std::size_t count, Symbology s) {
    std::string out;
    for (std::size_t i = from; i < from + count; ++i) {
        const int e = Element(runs, i, s);
        if (e < 0) return "";
        out += static_cast<char>('0' + e);
    }
    return out;
}

constexpr Symbology kCode39{4, 10};
constexpr Symbology kItf{4, 12};

// Code 39: nine elements per character, bar first, 1 = wide; a narrow gap
// between characters; the symbol starts and ends with '*'.
const std::map<std::string, char>& Code39Table() {
    static const std::map<std::string, char> table = {
        {"000110100", '0'}, {"100100001", '1'}, {"001100001", '2'}, {"101100000", '3'}, {"000110001", '4'},
        {"100110000", '5'}, {"001110000", '6'}, {"000100101", '7'}, {"100100100", '8'}, {"001100100", '9'},
        {"100001001", 'A'}, {"001001001", 'B'}, {"101001000", 'C'}, {"000011001", 'D'}, {"100011000", 'E'},
        {"001011000", 'F'}, {"010010100", '*'},
    };
    return table;
}

// The symbol whose first bar is runs[start], without its start and stop
// characters; "" when there is none. A quiet zone of ten modules on either side.
std::string DecodeCode39(const std::vector<int>& runs, std::size_t start) {
    const int quiet = 10 * kCode39.narrow;
    if (start == 0 || runs[start - 1] < quiet) return "";
    std::string text;
    std::size_t i = start;
    for (int n = 0;; ++n) {
        const auto found = Code39Table().find(Pattern(runs, i, 9, kCode39));
        if (found == Code39Table().end()) return "";
        i += 9;
        if (n == 0) {
            if (found->second != '*') return "";
        } else if (found->second == '*') {
            return i < runs.size() && runs[i] >= quiet ? text : "";
        } else {
            text += found->second;
        }
        if (Element(runs, i, kCode39) != 0) return "";  // the gap between characters
        ++i;
    }
}

// Interleaved 2 of 5: start narrow bar, space, bar, space; then pairs of
// digits, the first in the bars and the second in the spaces; stop wide bar,
// narrow space, narrow bar.
std::string DecodeItf(const std::vector<int>& runs, std::size_t start) {
    static const std::map<std::string, char> digits = {
        {"00110", '0'}, {"10001", '1'}, {"01001", '2'}, {"11000", '3'}, {"00101", '4'},
        {"10100", '5'}, {"01100", '6'}, {"00011", '7'}, {"10010", '8'}, {"01010", '9'},
    };
    const int quiet = 10 * kItf.narrow;
    if (start == 0 || runs[start - 1] < quiet || Pattern(runs, start, 4, kItf) != "0000") return "";
    std::string text;
    for (std::size_t i = start + 4;; i += 10) {
        if (Pattern(runs, i, 3, kItf) == "100" && i + 3 < runs.size() && runs[i + 3] >= quiet) return text;
        const std::string pair = Pattern(runs, i, 10, kItf);
        if (pair.empty()) return "";
        std::string bars, spaces;
        for (std::size_t k = 0; k < 10; k += 2) {
            bars += pair[k];
            spaces += pair[k + 1];
        }
        const auto first = digits.find(bars), second = digits.find(spaces);
        if (first == digits.end() || second == digits.end()) return "";
        text += first->second;
        text += second->second;
    }
}

// Every symbol found in every row, with the number of rows it was read in.
template <typename Decoder>
std::map<std::string, int> ScanRows(const Label& label, Decoder decode) {
    std::map<std::string, int> found;
    for (int y = 0; y < kHeight; ++y) {
        const auto runs = label.Runs(y);
        for (std::size_t i = 1; i < runs.size(); i += 2) {  // odd runs are black
            const std::string text = decode(runs, i);
            if (!text.empty()) ++found[text];
        }
    }
    return found;
}

class TestLabel : public ::testing::Test {
protected:
    void SetUp() override {
        path = EnvPath("KES_TEST_LABEL_BMP");
        ASSERT_FALSE(path.empty()) << "KES_TEST_LABEL_BMP names the drawn label";
        file = ReadFile(path);
        ASSERT_EQ(file.size(), kFileHeader + kInfoHeader + kPixelBytes) << path;
    }
    std::string path;
    std::vector<std::uint8_t> file;
};

TEST_F(TestLabel, IsAnUncompressedBottomUp24BitBitmapWithoutColourTable) {
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), file.size());
    EXPECT_EQ(U32(file, 10), kFileHeader + kInfoHeader) << "the pixels follow the header directly";
    const std::size_t h = kFileHeader;
    EXPECT_EQ(U32(file, h + 0), kInfoHeader);
    EXPECT_EQ(static_cast<std::int32_t>(U32(file, h + 4)), kWidth);
    EXPECT_EQ(static_cast<std::int32_t>(U32(file, h + 8)), kHeight) << "positive height: rows bottom-up";
    EXPECT_EQ(U16(file, h + 12), 1);
    EXPECT_EQ(U16(file, h + 14), 24);
    EXPECT_EQ(U32(file, h + 16), 0u) << "BI_RGB";
    EXPECT_EQ(U32(file, h + 20), kPixelBytes);
    EXPECT_EQ(U32(file, h + 32), 0u) << "biClrUsed: no colour table";
    EXPECT_EQ(kRowBytes % 4, 0u) << "rows need no padding";
}

TEST_F(TestLabel, IsPureBlackOnWhiteWithTheTitleAtTopLeftAndAFrame) {
    std::size_t black = 0;
    for (std::size_t i = kFileHeader + kInfoHeader; i < file.size(); ++i) {
        ASSERT_TRUE(file[i] == 0 || file[i] == 255) << "byte " << i << " is " << int(file[i]);
        if (file[i] == 0) ++black;
    }
    EXPECT_GT(black, 0u);
    EXPECT_LT(black, kPixelBytes / 2) << "white label, black print";

    const Label label(file);
    // The title: black dots in the top left corner, above the frame.
    int titleDots = 0;
    for (int y = 0; y < 85; ++y)
        for (int x = 0; x < kWidth / 3; ++x) titleDots += label.Black(x, y);
    EXPECT_GT(titleDots, 1000);
    // A frame: a row that is black for most of the width below the title,
    // and the corners of the picture stay white (nothing cut at the edges).
    int longest = 0;
    for (int y = 85; y < kHeight; ++y) {
        for (int run : label.Runs(y)) longest = std::max(longest, run);
    }
    EXPECT_GT(longest, kWidth * 9 / 10);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1},
                                                               {kWidth - 1, kHeight - 1}}) {
        EXPECT_FALSE(label.Black(x, y)) << x << "," << y;
    }
}

TEST_F(TestLabel, BarCodesDecodeFromTheirExactModules) {
    const Label label(file);
    // Every row through a bar code reads the same text; no row reads another.
    const auto code39 = ScanRows(label, DecodeCode39);
    ASSERT_EQ(code39.size(), 1u);
    EXPECT_EQ(code39.begin()->first, "ABCDEF");
    EXPECT_GE(code39.begin()->second, 100) << "bars at least 100 dots (8 mm) high";

    const auto itf = ScanRows(label, DecodeItf);
    ASSERT_EQ(itf.size(), 1u);
    EXPECT_EQ(itf.begin()->first, "12345678901234567890");
    EXPECT_GE(itf.begin()->second, 100);
}

TEST_F(TestLabel, AnOrdinaryReaderFindsTheQrCodeAndBothBarCodes) {
    const std::string command = "zbarimg -q '" + path + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = ::pclose(pipe);
    ASSERT_EQ(status, 0) << "zbarimg (Debian zbar-tools) found nothing or is missing: " << output;

    std::set<std::string> lines;
    for (std::size_t start = 0; start < output.size();) {
        const std::size_t end = output.find('\n', start);
        lines.insert(output.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    lines.erase("");
    EXPECT_EQ(lines, (std::set<std::string>{"QR-Code:KVT Vantorelli 7K4R2B-55 TEST LABEL", "CODE-39:ABCDEF",
                                            "I2/5:12345678901234567890"}));
}

// The decoders themselves, on runs made by hand: a symbol that is off by one
// dot in one element is no symbol.
TEST(BarCodeDecoders, RefuseElementsThatAreNotWholeModules) {
    // Code 39 "*A*" with quiet zones.
    auto code39 = [](int nudge) {
        std::vector<int> runs = {50};
        const std::string chars[] = {"010010100", "100001001", "010010100"};
        for (int c = 0; c < 3; ++c) {
            for (char e : chars[c]) runs.push_back(e == '1' ? 10 : 4);
            if (c < 2) runs.push_back(4);
        }
        runs.push_back(50);
        runs[12] += nudge;
        return runs;
    };
    EXPECT_EQ(DecodeCode39(code39(0), 1), "A");
    EXPECT_EQ(DecodeCode39(code39(1), 1), "");
    EXPECT_EQ(DecodeCode39(code39(-1), 1), "");
    auto narrowQuiet = code39(0);
    narrowQuiet[0] = 39;
    EXPECT_EQ(DecodeCode39(narrowQuiet, 1), "") << "quiet zone under ten modules";

    // ITF "12": start, 1 in bars (10001), 2 in spaces (01001), stop.
    std::vector<int> itf = {50, 4, 4, 4, 4, 12, 4, 4, 12, 4, 4, 4, 4, 12, 12, 12, 4, 4, 50};
    EXPECT_EQ(DecodeItf(itf, 1), "12");
    itf[7] = 5;
    EXPECT_EQ(DecodeItf(itf, 1), "");
}

}  // namespace
