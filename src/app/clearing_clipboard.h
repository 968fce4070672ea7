#pragma once
// The clipboard as the window's pages and pop-up use it: a copied user code or password is taken
// off the clipboard again after the chosen number of seconds (tmrClipboard), at Lock and when the
// program ends; only while the clipboard still holds it, so that anything copied since stays. At
// Lock the X primary selection is emptied too while the program owns it.

#include <QObject>

#include "platform/qt_clipboard.h"

class QTimer;

namespace keyloft {

class ClearingClipboard final : public QObject, public platform::Clipboard {
    Q_OBJECT
  public:
    // `clipboard` null: copies go nowhere (a window without a clipboard).
    explicit ClearingClipboard(platform::Clipboard* clipboard, QObject* parent = nullptr);
    ~ClearingClipboard() override;

    // Seconds a copy stays; 0: until something else is copied. A copy on the clipboard now
    // keeps the time it was given.
    void setSeconds(int seconds);

    void setSecretText(const QString& text) override;
    QString text() const override;
    // Takes the last copy off the clipboard, unless something else was copied since.
    bool clearIfOwn() override;
    bool clearSelectionIfOwn() override;

  private:
    platform::Clipboard* clipboard_;
    QTimer* timer_;
    int seconds_ = 0;
};

}  // namespace keyloft
