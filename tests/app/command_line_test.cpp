// The window program's command line, run as a user runs it: --help and --version print and end
// without a display.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "keyloft_version.h"

namespace keyloft::testing {
namespace {

TEST(CommandLine, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const struct {
        const char* option;
        const char* shows;
    } cases[] = {{"--version", "Keyloft " KEYLOFT_VERSION_STRING},
                 {"-v", "Keyloft " KEYLOFT_VERSION_STRING},
                 {"--help", "--version"},
                 {"-h", "encrypted profiles"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KEYLOFT_APP_PATH), {QString::fromLatin1(c.option)});
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const QString shown = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_TRUE(shown.contains(QString::fromLatin1(c.shows))) << shown.toStdString();
    }
}

}  // namespace
}  // namespace keyloft::testing
