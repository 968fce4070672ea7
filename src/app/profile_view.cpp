#include "app/profile_view.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "pages/tab_order.h"

namespace keyloft {

ProfileView::ProfileView(QWidget* parent) : QGroupBox(QStringLiteral("Choose User Profile"), parent) {
    setObjectName(QStringLiteral("fraProfile"));

    cboProfile = new QComboBox(this);
    cboProfile->setObjectName(QStringLiteral("cboProfile"));
    cboProfile->setMinimumWidth(220);

    lblNoProfiles = new QLabel(QString::fromUtf8(kNoProfilesYetText), this);
    lblNoProfiles->setObjectName(QStringLiteral("lblNoProfiles"));
    lblNoProfiles->hide();

    lblNewProfile = new QLabel(QStringLiteral("&New Profile Name"), this);
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
    auto* profileLabel = new QLabel(QStringLiteral("P&rofile"), this);
    profileLabel->setBuddy(cboProfile);
    cboProfile->setAccessibleName(QStringLiteral("Profile"));
    txtFileName->setAccessibleName(QStringLiteral("New Profile Name"));
    grid->addWidget(profileLabel, 0, 0);
    grid->addWidget(cboProfile, 0, 1);
    grid->addWidget(cmdDatabase, 0, 2);
    grid->addWidget(lblNoProfiles, 1, 1);
    grid->addWidget(lblNewProfile, 2, 0);
    grid->addWidget(txtFileName, 2, 1);
    grid->addWidget(cmdNext, 3, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    ChainTabOrder({cboProfile, cmdDatabase, txtFileName, cmdNext});

    connect(cmdNext, &QPushButton::clicked, this, &ProfileView::continueClicked);
    connect(cmdDatabase, &QPushButton::clicked, this, &ProfileView::databaseClicked);
    setAdding(false);
}

void ProfileView::setProfileNames(const QStringList& names, const QString& wanted) {
    cboProfile->clear();
    cboProfile->addItems(names);
    if (!names.isEmpty()) {
        const int index = names.indexOf(wanted);
        cboProfile->setCurrentIndex(index >= 0 ? index : 0);
    }
    lblNoProfiles->setVisible(names.isEmpty());
}

QString ProfileView::chosenProfile() const { return cboProfile->currentText(); }

void ProfileView::setAdding(bool adding) {
    txtFileName->setVisible(adding);
    lblNewProfile->setVisible(adding);
    cmdNext->setEnabled(!adding);
    cmdDatabase->setEnabled(!adding);
    if (adding) {
        txtFileName->clear();
        txtFileName->setFocus();
    }
}

bool ProfileView::isAdding() const { return !txtFileName->isHidden(); }

QString ProfileView::typedName() const { return txtFileName->text(); }

void ProfileView::clearTypedName() { txtFileName->clear(); }

void ProfileView::selectTypedName() {
    txtFileName->setFocus();
    txtFileName->selectAll();
}

void ProfileView::focusContinue() { cmdNext->setFocus(); }

void ProfileView::focusList() { cboProfile->setFocus(); }

}  // namespace keyloft
