#include "import/zip_archive.h"

#include <unzip.h>

#include <algorithm>
#include <cstring>

namespace keyloft {

// The archive's bytes as minizip's "file": read, tell and seek over memory.
struct ZipArchive::Source {
    std::string_view bytes;
    std::uint64_t position = 0;
};

namespace {

voidpf ZCALLBACK OpenSource(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK ReadSource(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* source = static_cast<ZipArchive::Source*>(stream);
    const std::uint64_t left =
        source->bytes.size() - std::min<std::uint64_t>(source->position, source->bytes.size());
    const std::uint64_t n = std::min<std::uint64_t>(size, left);
    if (n > 0) std::memcpy(buffer, source->bytes.data() + source->position, static_cast<std::size_t>(n));
    source->position += n;
    return static_cast<uLong>(n);
}

uLong ZCALLBACK WriteSource(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellSource(voidpf, voidpf stream) {
    return static_cast<ZipArchive::Source*>(stream)->position;
}

long ZCALLBACK SeekSource(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* source = static_cast<ZipArchive::Source*>(stream);
    std::uint64_t base = 0;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET:
            break;
        case ZLIB_FILEFUNC_SEEK_CUR:
            base = source->position;
            break;
        case ZLIB_FILEFUNC_SEEK_END:
            base = source->bytes.size();
            break;
        default:
            return -1;
    }
    if (offset > source->bytes.size() || base > source->bytes.size() - offset) return -1;
    source->position = base + offset;
    return 0;
}

int ZCALLBACK CloseSource(voidpf, voidpf) { return 0; }
int ZCALLBACK SourceError(voidpf, voidpf) { return 0; }

constexpr std::size_t kMaxMemberName = 4096;

}  // namespace

bool LooksLikeZip(std::string_view bytes) {
    return bytes.starts_with(std::string_view("PK\x03\x04", 4)) ||
           bytes.starts_with(std::string_view("PK\x05\x06", 4));
}

std::unique_ptr<ZipArchive> ZipArchive::Open(std::string_view bytes, std::size_t maxMembers,
                                             std::string& error) {
    std::unique_ptr<ZipArchive> archive(new ZipArchive);
    archive->source_ = std::make_unique<Source>();
    archive->source_->bytes = bytes;
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenSource;
    functions.zread_file = ReadSource;
    functions.zwrite_file = WriteSource;
    functions.ztell64_file = TellSource;
    functions.zseek64_file = SeekSource;
    functions.zclose_file = CloseSource;
    functions.zerror_file = SourceError;
    functions.opaque = archive->source_.get();
    archive->file_ = unzOpen2_64("archive", &functions);
    if (archive->file_ == nullptr) {
        error = "it looks like a ZIP archive but cannot be read as one (it is damaged or cut short)";
        return nullptr;
    }
    unzFile file = archive->file_;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(file, &global) != UNZ_OK || global.number_entry > maxMembers) {
        error = global.number_entry > maxMembers
                    ? "the ZIP archive lists more than " + std::to_string(maxMembers) +
                          " files, more than any export"
                    : "the ZIP archive cannot be read (it is damaged)";
        return nullptr;
    }
    int status = unzGoToFirstFile(file);
    while (status == UNZ_OK) {
        if (archive->members_.size() == maxMembers) {
            error = "the ZIP archive lists more than " + std::to_string(maxMembers) +
                    " files, more than any export";
            return nullptr;
        }
        unz_file_info64 info{};
        char name[kMaxMemberName + 1] = {};
        if (unzGetCurrentFileInfo64(file, &info, name, kMaxMemberName, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        unz64_file_pos position{};
        unzGetFilePos64(file, &position);
        Member member;
        member.name.assign(name, strnlen(name, kMaxMemberName));
        std::replace(member.name.begin(), member.name.end(), '\\', '/');
        member.size = info.uncompressed_size;
        member.encrypted = (info.flag & 1) != 0;
        member.folder = !member.name.empty() && member.name.back() == '/';
        archive->members_.push_back(std::move(member));
        archive->positions_.emplace_back(position.pos_in_zip_directory, position.num_of_file);
        status = unzGoToNextFile(file);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        error = "the ZIP archive cannot be read (it is damaged)";
        return nullptr;
    }
    return archive;
}

ZipArchive::~ZipArchive() {
    if (file_ != nullptr) unzClose(file_);
}

std::optional<std::string> ZipArchive::read(std::size_t index, std::size_t limit, std::string& out) {
    const Member& member = members_.at(index);
    const std::string damaged =
        "\"" + member.name + "\" in the ZIP archive cannot be unpacked (it is damaged)";
    const std::string tooLarge = "\"" + member.name + "\" unpacks to more than " +
                                 std::to_string(limit >> 20) + " MiB, more than any export";
    if (member.size > limit - std::min(limit, out.size())) return tooLarge;
    unz64_file_pos position{positions_[index].first, positions_[index].second};
    if (unzGoToFilePos64(file_, &position) != UNZ_OK || unzOpenCurrentFile(file_) != UNZ_OK) return damaged;
    char buffer[1 << 16];
    int n = 0;
    while ((n = unzReadCurrentFile(file_, buffer, sizeof buffer)) > 0) {
        if (static_cast<std::size_t>(n) > limit - std::min(limit, out.size())) {
            unzCloseCurrentFile(file_);
            return tooLarge;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    // The check sum is compared when the member was read to its end.
    if (unzCloseCurrentFile(file_) != UNZ_OK || n < 0) return damaged;
    return std::nullopt;
}

}  // namespace keyloft
