#pragma once
// The desktop services of the window as tests see them: a clipboard that keeps what was copied
// and counts the copies, and a shell that records what it was asked to open.

#include <QString>
#include <vector>

#include "platform/qt_clipboard.h"
#include "platform/qt_shell.h"

namespace keyloft::testing {

class RecordingClipboard final : public platform::Clipboard {
public:
    void setSecretText(const QString& text) override {
        text_ = text;
        ++copies;
    }
    QString text() const override { return text_; }
    int copies = 0;

private:
    QString text_;
};

class RecordingShell final : public platform::Shell {
public:
    bool open(const QString& item) override {
        opened.push_back(item);
        return opens;
    }
    std::vector<QString> opened;
    bool opens = true;  // what every open reports
};

}  // namespace keyloft::testing
