#pragma once
// The assembled main window driven by keys only: keys go where the focus is, as the user presses them.

#include <QApplication>
#include <QKeySequence>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <string>
#include <vector>

#include "support/gui_window_fixture.h"
#include "support/record_values.h"

namespace keyloft::testing {

class KeyboardWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        assemble = true;
    }
    void activate() {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QWidget* focus() {
        QWidget* widget = QApplication::focusWidget();
        return widget != nullptr ? widget : window.get();
    }
    // A key (with modifiers) where the focus is.
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(focus(), k, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(focus(), text); }
    void keys(const QKeySequence& sequence) {
        const QKeyCombination combination = sequence[0];
        key(combination.key(), combination.keyboardModifiers());
    }
    // Logged on to "Shared" (entries as their records, and category names given) in the passwords
    // view.
    void logOnToPasswords(const std::vector<std::u16string>& records, const QStringList& categories = {}) {
        writeProfile({.name = u"Shared"});
        otherInstanceSaves(u"Shared", [&](Profile& p) {
            p.entries = EntriesOf(records);
            for (const QString& name : categories) static_cast<void>(p.categories.add(name.toStdU16String()));
        });
        start();
        activate();
        logOnAs({.name = u"Shared"});
        key(Qt::Key_1, Qt::ControlModifier);  // Passwords
        ASSERT_TRUE(frameShown("fraPasswords"));
    }
};

}  // namespace keyloft::testing
