#pragma once
// Reading a small file from a folder that others may write to (the welcome picture in the
// database folder): the file is opened once, as itself (a link is not followed) and without
// waiting (a pipe or device put in its place would block), checked on the open file as a regular
// file within the size limit, and read from that same open file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace keyloft::platform {

struct SmallFile {
    enum class Outcome {
        Read,     // `bytes` holds the whole file
        Missing,  // no file of that name, or one this user may not open: nothing to say
        Refused,  // a link, a folder, a pipe, a device, or a file past the limit: nothing was read
    };
    Outcome outcome = Outcome::Missing;
    std::vector<std::uint8_t> bytes;
};

SmallFile ReadSmallRegularFile(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace keyloft::platform
