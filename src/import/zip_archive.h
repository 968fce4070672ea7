#pragma once
// A ZIP archive read from memory through minizip (Debian's libminizip, zlib's contrib/minizip on
// Windows): the names of its members, and a member's unpacked bytes within a limit. Nothing is
// written to disk, so a member's name is only a name.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloft {

// "PK\3\4" (or the end record of an empty archive) at the start.
bool LooksLikeZip(std::string_view bytes);

class ZipArchive {
  public:
    struct Member {
        std::string name;        // as stored, "/" between folders
        std::uint64_t size = 0;  // as the archive states it (checked while reading)
        bool encrypted = false;
        bool folder = false;
    };

    // Lists the members (at most `maxMembers`); the reason when the bytes are no archive or list
    // more. The bytes must outlive the archive.
    static std::unique_ptr<ZipArchive> Open(std::string_view bytes, std::size_t maxMembers,
                                            std::string& error);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    const std::vector<Member>& members() const { return members_; }
    // Appends the unpacked bytes of member `index` to `out`, refusing more than `limit` bytes in
    // all before they are held. The reason when it cannot be read (damaged, past the limit, or
    // packed in a way minizip does not read).
    std::optional<std::string> read(std::size_t index, std::size_t limit, std::string& out);

    struct Source;  // the bytes, as minizip's file

  private:
    ZipArchive() = default;

    std::unique_ptr<Source> source_;
    void* file_ = nullptr;  // unzFile
    std::vector<Member> members_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> positions_;  // unz64_file_pos of each
};

}  // namespace keyloft
