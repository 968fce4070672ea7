#pragma once
// Finding controls and toolbar buttons by objectName in GUI tests.

#include <QAction>
#include <QString>

#include <functional>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

namespace keyloft::testing {

// Runs `body` on a thread of its own while this thread goes on with its events, as a later start
// of the program runs beside the running one (on Windows a local socket's write waits for the
// other end to read it); false when it has not ended within `timeoutMs`.
bool RunBesideEvents(const std::function<void()>& body, int timeoutMs = 10000);

// The action named `key` under `root`; fails the test (and returns nullptr) when there is none.
QAction* findAction(QWidget* root, const QString& key);

// Asserts that the action exists, is visible and is enabled, then triggers it. Returns false (and
// fails the test) when it could not be triggered.
bool triggerEnabled(QWidget* root, const QString& key);

// A child widget of type T named `name`; fails the test when it is missing.
template <typename T>
T* child(QWidget* root, const QString& name) {
    T* found = root->findChild<T*>(name);
    if (found == nullptr) {
        ADD_FAILURE() << "no control named " << name.toStdString();
    }
    return found;
}

// A control as the tests name it: its objectName, with its "index" when it is one of a row
// ("txtanswer1"); a toolbar button by its command's key in brackets ("[Save]").
QString ControlName(const QWidget* control);

// Presses Tab `count` times where the focus is and names each control reached; one that cannot
// be seen (hidden, or of no size) is named with " (unseen)" after it.
QStringList TabWalk(int count);

// The shown controls under `root` that are smaller than they ask for (a cut caption or box), or
// that stand partly outside their window or a parent; inside a scrolled area, the part scrolled
// away is no cut.
QStringList ClippedControls(QWidget* root);

// The shown controls under `root` that a screen reader would announce without a name of words
// (no name, or only punctuation such as "?"), and drop-downs named only by their current item.
QStringList UnnamedControls(QWidget* root);

// A caption as the user sees it: a single "&" marks the next letter and is not shown, "&&" shows
// one "&".
inline QString VisibleText(const QString& caption) {
    QString seen;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        seen.append(caption[i]);
    }
    return seen;
}

}  // namespace keyloft::testing
