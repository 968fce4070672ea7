// The reader of small files from a folder others may write to (the welcome picture): opened once,
// as itself, without waiting, and checked on the open file.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <functional>

#include "platform/small_file.h"
#include "support/temp_folder.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::TempFolder;
using Outcome = SmallFile::Outcome;

TEST(SmallRegularFile, OnlyARegularFileWithinTheLimitIsRead) {
    TempFolder temp;
    TempFolder::writeFile(temp / "picture.gif", "GIF89a");
    TempFolder::writeFile(temp / "large.gif", std::string(17, 'x'));
    std::filesystem::create_directory(temp / "folder.gif");
    const struct {
        const char* name;
        std::function<void()> make;
        Outcome outcome;
    } cases[] = {
        {"picture.gif", nullptr, Outcome::Read},
        {"missing.gif", nullptr, Outcome::Missing},
        {"large.gif", nullptr, Outcome::Refused},
        {"folder.gif", nullptr, Outcome::Refused},
#ifndef _WIN32
        {"link.gif", [&] { std::filesystem::create_symlink(temp / "picture.gif", temp / "link.gif"); },
         Outcome::Refused},
        {"pipe.gif", [&] { ASSERT_EQ(::mkfifo((temp / "pipe.gif").c_str(), 0600), 0); }, Outcome::Refused},
        {"device.gif", [&] { std::filesystem::create_symlink("/dev/zero", temp / "device.gif"); },
         Outcome::Refused},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.make) c.make();
        const SmallFile file = ReadSmallRegularFile(temp / c.name, 16);
        EXPECT_EQ(file.outcome, c.outcome);
        EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.end()),
                  c.outcome == Outcome::Read ? "GIF89a" : "");
    }
}

}  // namespace
}  // namespace keyloft::platform
