#include "app/profile_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace keyloft {

ProfileView::ProfileView(QWidget* parent) : QGroupBox(QStringLiteral("Choose User Profile"), parent) {
    setObjectName(QStringLiteral("fraProfile"));

    cboProfile = new QComboBox(this);
    cboProfile->setObjectName(QStringLiteral("cboProfile"));
    cboProfile->setMinimumWidth(220);

    lblNewProfile = new QLabel(QStringLiteral("New Profile Name"), this);
    lblNewProfile->setObjectName(QStringLiteral("lblNewProfile"));
    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));
    lblNewProfile->setBuddy(txtFileName);

    cmdNext = new QPushButton(QStringLiteral("Continue"), this);
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdNext->setDefault(true);

    cmdDatabase = new QPushButton(QString::fromUtf8(kDatabaseButtonCaption), this);
    cmdDatabase->setObjectName(QStringLiteral("cmdDatabase"));
    cmdDatabase->setToolTip(QString::fromUtf8(kDatabaseButtonToolTip));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Profile"), this), 0, 0);
    grid->addWidget(cboProfile, 0, 1);
    grid->addWidget(cmdDatabase, 0, 2);
    grid->addWidget(lblNewProfile, 1, 0);
    grid->addWidget(txtFileName, 1, 1);
    grid->addWidget(cmdNext, 2, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    showNameBox(false);
}

void ProfileView::setProfileNames(const QStringList& names) {
    cboProfile->clear();
    cboProfile->addItems(names);
    if (!names.isEmpty()) {
        cboProfile->setCurrentIndex(0);
    }
}

QString ProfileView::chosenProfile() const { return cboProfile->currentText(); }

void ProfileView::showNameBox(bool show) {
    txtFileName->setVisible(show);
    lblNewProfile->setVisible(show);
}

bool ProfileView::isAddingProfile() const { return !txtFileName->isHidden(); }

}  // namespace keyloft
