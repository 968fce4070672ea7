#pragma once
// A label that names a box: Alt with the label's marked letter moves the focus to the box, and
// assistive tools read the label's words as the box's name.

#include <QLabel>
#include <QString>
#include <QWidget>

namespace keyloft {

// A caption as it is seen: "&&" shows one "&", a single "&" only marks the next letter.
inline QString VisibleCaption(const QString& caption) {
    QString visible;
    visible.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
        visible.append(caption[i]);
    }
    return visible;
}

// A text to show word for word in a label that has a buddy (a question from the profile).
inline QString WithoutMnemonic(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

inline void NameBox(QLabel* label, QWidget* box) {
    label->setBuddy(box);
    box->setAccessibleName(VisibleCaption(label->text()));
}

}  // namespace keyloft
