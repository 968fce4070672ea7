#pragma once
// Where the window program finds the files it ships with: the help page and the welcome picture.

#include <filesystem>

class QPixmap;

namespace keyloft {

inline constexpr char kHelpFileName[] = "Keyloft.html";
inline constexpr char kWelcomePictureName[] = "welcome2.gif";

// The program's own folder when the help page is there (the build tree, or a copy kept in one
// folder); otherwise "../share/keyloft" beside it when that folder exists (an installed program,
// bin/keyloft with share/keyloft/Keyloft.html); otherwise the program's folder.
std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder);

// The welcome picture built into the program: the locked window shows it while no picture file
// can be played.
QPixmap BuiltInWelcomePicture();

}  // namespace keyloft
