#include "support/zip_writer.h"

#include <zip.h>

#include <stdexcept>

namespace keyloft::testing {

void WriteZip(const std::filesystem::path& file, const std::vector<ZipMember>& members) {
    zipFile zip = zipOpen64(file.string().c_str(), APPEND_STATUS_CREATE);
    if (zip == nullptr) throw std::runtime_error("minizip cannot create " + file.string());
    for (const ZipMember& member : members) {
        zip_fileinfo info{};
        if (zipOpenNewFileInZip64(zip, member.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION,
                                  member.bytes.size() >= 0xffffffffu) != ZIP_OK ||
            zipWriteInFileInZip(zip, member.bytes.data(), static_cast<unsigned>(member.bytes.size())) !=
                ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            zipClose(zip, nullptr);
            throw std::runtime_error("minizip cannot write " + member.name + " in " + file.string());
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK) throw std::runtime_error("minizip cannot close " + file.string());
}

}  // namespace keyloft::testing
