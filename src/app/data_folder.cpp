#include "app/data_folder.h"

#include <system_error>

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace keyloft {

std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder) {
    std::error_code error;
    if (std::filesystem::exists(programFolder / kHelpFileName, error)) return programFolder;
    const std::filesystem::path installed = (programFolder / ".." / "share" / "keyloft").lexically_normal();
    if (std::filesystem::is_directory(installed, error)) return installed;
    return programFolder;
}

QPixmap BuiltInWelcomePicture() {
    return QIcon(QStringLiteral(":/icons/welcome.svg")).pixmap(QSize(360, 270));
}

}  // namespace keyloft
