#pragma once
// Everything the main window takes from outside: the seams (real ones in the program, fakes in
// tests) and the few operating-system services that tests must replace.

#include <filesystem>
#include <functional>
#include <memory>

#include <QString>
#include <QUrl>

#include "platform/qt_printer.h"
#include "store/clock.h"
#include "store/sealing_limits.h"
#include "store/settings_store.h"
#include "store/ui_host.h"

namespace keyloft {

class FileSystem;
namespace platform {
class Clipboard;
}

struct AppServices {
    Dialogs* dialogs = nullptr;
    FileSystem* files = nullptr;
    SettingsStore* settings = nullptr;
    const Clock* clock = nullptr;
    // Where the pages and the pop-up copy user codes and passwords (null: nowhere).
    platform::Clipboard* clipboard = nullptr;
    std::filesystem::path applicationFolder;
    // The database folder while the "Database" setting names none; empty: the application folder.
    std::filesystem::path defaultDatabaseFolder;
    // Argon2id limits of the key slots a sealed save makes (files keep the limits of their slots).
    sealed::Limits sealingLimits = sealed::DefaultLimits();
    // The help page and the welcome picture (FindDataFolder); empty: the application folder.
    std::filesystem::path dataFolder;

    // Block for the saver's waits (the window keeps painting; no other save or load may start).
    std::function<void(int milliseconds)> wait;
    // End the process at once (no save, no prompt).
    std::function<void()> endProgram;
    // Open a file or address with the desktop's program for it; false when that failed.
    std::function<bool(const QUrl&)> openUrl;
    // Whether the desktop has a notification area.
    std::function<bool()> trayAvailable;
    // Ask for a folder ("Database..."); empty when cancelled.
    std::function<QString(const QString& startFolder)> chooseFolder;
    // Ask for a file to import (Import…); empty when cancelled.
    std::function<QString(const QString& startFolder)> chooseImportFile;
    // The printer of the Print command, null when the system has none; unset: the system's.
    std::function<std::unique_ptr<platform::Printer>(QWidget* parent)> openPrinter;
    // Without a printer, the PDF file the user names (null when cancelled); unset: the file dialog.
    std::function<std::unique_ptr<platform::Printer>(QWidget* parent)> askForPdf;
};

}  // namespace keyloft
