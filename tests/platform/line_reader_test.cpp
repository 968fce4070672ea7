// Reading a profile file line by line, as every host file system does it: line ends, the longest
// line, the end of the file, the read buffer's edges, and a read that fails midway.
#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_core.h"
#include "support/temp_folder.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::TempFolder;

constexpr std::size_t kBuffer = 65536;  // the reader's buffer: lines and line ends cross it
constexpr std::size_t kAny = ReadableFile::kUnlimited;

struct LineCase {
    const char* name;
    std::string bytes;
    std::size_t maxLength;
    std::vector<std::string> lines;
    int error;  // after the last line: 0 at the end of the file, else the failure's number
};

const std::vector<LineCase>& Cases() {
    // clang-format off
    static const std::vector<LineCase> cases = {
        {"empty file", "", kAny, {}, 0},
        {"LF", "a\nb\n", kAny, {"a", "b"}, 0},
        {"CR LF", "a\r\nb\r\n", kAny, {"a", "b"}, 0},
        {"lone CR", "a\rb\r", kAny, {"a", "b"}, 0},
        {"CR CR LF and LF CR", "a\r\r\nb\n\rc", kAny, {"a", "", "b", "", "c"}, 0},
        {"blank lines only", "\r\n\n\r", kAny, {"", "", ""}, 0},
        {"last line without end", "a\r\nlast", kAny, {"a", "last"}, 0},
        {"NUL bytes", std::string("a\0b\r\n\0", 6), kAny, {std::string("a\0b", 3), std::string(1, '\0')}, 0},
        {"line at the maximum", "12345\r\n1234", 5, {"12345", "1234"}, 0},
        {"line past the maximum", "ok\r\n123456\r\nafter\r\n", 5, {"ok"}, 62},
        {"last line past the maximum", "123456", 5, {}, 62},
        {"maximum of nothing", "\r\n\r\nx", 0, {"", ""}, 62},
        {"CR LF across the buffer's edge", std::string(kBuffer - 1, 'A') + "\r\nB", kAny,
         {std::string(kBuffer - 1, 'A'), "B"}, 0},
        {"lone CR at the buffer's edge", std::string(kBuffer - 1, 'A') + "\rB", kAny,
         {std::string(kBuffer - 1, 'A'), "B"}, 0},
        {"line across the buffer at the maximum", std::string(kBuffer + 10, 'A') + "\nB", kBuffer + 10,
         {std::string(kBuffer + 10, 'A'), "B"}, 0},
        {"line across the buffer past the maximum", "x\n" + std::string(kBuffer + 11, 'A') + "\nB", kBuffer + 10,
         {"x"}, 62},
    };
    // clang-format on
    return cases;
}

// Every line up to the end or a failure, then the same again after a rewind.
void ExpectLines(ReadableFile& file, const LineCase& c) {
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "first read" : "after rewind");
        std::vector<std::string> lines;
        std::string line;
        ErrorInfo error;
        while (file.readLine(line, error, c.maxLength)) {
            lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(error.failed() ? error.number : 0, c.error);
        if (c.error == 0) {
            EXPECT_FALSE(file.readLine(line, error, c.maxLength)) << "the end stays the end";
            EXPECT_FALSE(error.failed());
        } else {
            EXPECT_TRUE(line.empty()) << "the part of a refused line is dropped";
        }
        ASSERT_FALSE(file.rewind().failed());
    }
}

TEST(LineReader, HostFileSystemReadsEveryCase) {
    TempFolder temp;
    auto files = CreateHostFileSystem();
    for (const LineCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        TempFolder::writeFile(temp / "p.dat", c.bytes);
        ErrorInfo error;
        auto file = files->openHeld(temp / "p.dat", error);
        ASSERT_TRUE(file) << error.number;
        ExpectLines(*file, c);
    }
}

// Bytes from memory, `chunk` at a time (a pipe-like file gives less than asked), failing with 57
// once `failAt` bytes were given.
class BytesInMemory final : public LineReader {
  public:
    BytesInMemory(std::string bytes, std::size_t chunk, std::size_t failAt = std::string::npos)
        : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}

  private:
    bool readBytes(char* buffer, std::size_t size, std::size_t& count, ErrorInfo& error) override {
        if (at_ >= failAt_) {
            error = ErrorInfo::of(57);
            return false;
        }
        count = std::min({size, chunk_, bytes_.size() - at_, failAt_ - at_});
        bytes_.copy(buffer, count, at_);
        at_ += count;
        return true;
    }
    ErrorInfo seekToStart() override {
        at_ = 0;
        return ErrorInfo::none();
    }

    std::string bytes_;
    std::size_t chunk_;
    std::size_t failAt_;
    std::size_t at_ = 0;
};

TEST(LineReader, ReadsEveryCaseWhateverTheReadsGive) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, kBuffer}) {
        for (const LineCase& c : Cases()) {
            SCOPED_TRACE(::testing::Message() << c.name << ", " << chunk << " bytes a read");
            BytesInMemory file(c.bytes, chunk);
            ExpectLines(file, c);
        }
    }
}

TEST(LineReader, AReadThatFailsEndsTheLinesWithItsError) {
    BytesInMemory file("one\r\ntwo\r\nthree\r\n", 1, 7);
    std::string line;
    ErrorInfo error;
    ASSERT_TRUE(file.readLine(line, error, kAny));
    EXPECT_EQ(line, "one");
    EXPECT_FALSE(file.readLine(line, error, kAny)) << "a line cut by the failure is not given";
    EXPECT_EQ(error.number, 57);
    ASSERT_FALSE(file.rewind().failed());
    ASSERT_TRUE(file.readLine(line, error, kAny));
    EXPECT_EQ(line, "one");
}

}  // namespace
}  // namespace keyloft::platform
