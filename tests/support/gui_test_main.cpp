// Shared main of the Qt test programs: one QApplication for the whole run, offscreen unless the
// caller chose a platform, and Qt's standard folders redirected away from the user's own. Every
// temporary folder of the run is made inside one folder of this process (TMPDIR points there), so
// that a killed run's folders are removed by the next run.
#include <QApplication>
#include <QFont>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QtGlobal>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform reports every window it cannot size by hints; that says nothing.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QStringLiteral("does not support propagateSizeHints"))) {
        return;
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const keyloft::testing::TempFolder runFolder;
    qputenv("TMPDIR", QByteArray::fromStdString(runFolder.path().string()));
    // Qt's own settings (a file dialog keeps its history there) go below the home folder.
    qputenv("HOME", QByteArray::fromStdString(runFolder.path().string()));
    previousHandler = qInstallMessageHandler(QuietHandler);
    // Qt's variables as the test script gives them under Wine, which drops QT_ ones.
    const QString passed = QStringLiteral("KEYLOFT_PASS_");
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith(passed)) {
            qputenv(name.mid(passed.size()).toLocal8Bit().constData(), environment.value(name).toLocal8Bit());
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
#ifdef _WIN32
    // The offscreen platform's fonts are named "Sans Serif" and "monospace", which no font file
    // names; without these the first family of the font folder would stand in for both.
    QFont::insertSubstitution(QStringLiteral("Sans Serif"), QStringLiteral("DejaVu Sans"));
    QFont::insertSubstitution(QStringLiteral("monospace"), QStringLiteral("DejaVu Sans Mono"));
#endif
    QApplication::setApplicationName(QStringLiteral("Keyloft"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
