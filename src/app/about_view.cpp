#include "app/about_view.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace keyloft {

AboutView::AboutView(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("fraAbout"));
    setFrameShape(QFrame::StyledPanel);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("ImgAbout"));
    picture->setPixmap(QIcon(QStringLiteral(":/icons/about.svg")).pixmap(128, 128));

    auto* name = new QLabel(QStringLiteral("Keyloft"), this);
    name->setObjectName(QStringLiteral("lblProgramName"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 10);
    big.setBold(true);
    name->setFont(big);

    versionLabel = new QLabel(this);
    versionLabel->setObjectName(QStringLiteral("lblVersion"));
    auto* blurb = new QLabel(
        QStringLiteral("A password keeper for one person, or for a few people who share a folder."), this);
    blurb->setWordWrap(true);

    auto* cmdCloseAbout = new QPushButton(QStringLiteral("&Close"), this);
    cmdCloseAbout->setObjectName(QStringLiteral("cmdCloseAbout"));
    connect(cmdCloseAbout, &QPushButton::clicked, this, &AboutView::closeClicked);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(versionLabel);
    text->addWidget(blurb);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(picture, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCloseAbout);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top, 1);
    column->addLayout(buttons);
}

void AboutView::setVersion(const QString& text) { versionLabel->setText(text); }

QString AboutView::VersionText(int major, int minor, int revision) {
    return QStringLiteral("V. %1.%2.%3.2").arg(major).arg(minor).arg(revision);
}

}  // namespace keyloft
