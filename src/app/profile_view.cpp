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

    profileBox = new QComboBox(this);
    profileBox->setObjectName(QStringLiteral("cboProfile"));
    profileBox->setMinimumWidth(220);

    noProfilesLabel = new QLabel(QString::fromUtf8(kNoProfilesYetText), this);
    noProfilesLabel->setObjectName(QStringLiteral("lblNoProfiles"));
    noProfilesLabel->hide();

    newProfileLabel = new QLabel(QStringLiteral("&New Profile Name"), this);
    newProfileLabel->setObjectName(QStringLiteral("lblNewProfile"));
    profileNameBox = new QLineEdit(this);
    profileNameBox->setObjectName(QStringLiteral("txtFileName"));
    newProfileLabel->setBuddy(profileNameBox);

    continueButton = new QPushButton(QStringLiteral("Continue"), this);
    continueButton->setObjectName(QStringLiteral("cmdNext"));
    continueButton->setDefault(true);

    databaseButton = new QPushButton(QString::fromUtf8(kDatabaseButtonCaption), this);
    databaseButton->setObjectName(QStringLiteral("cmdDatabase"));
    databaseButton->setToolTip(QString::fromUtf8(kDatabaseButtonToolTip));

    auto* grid = new QGridLayout(this);
    auto* profileLabel = new QLabel(QStringLiteral("P&rofile"), this);
    profileLabel->setBuddy(profileBox);
    profileBox->setAccessibleName(QStringLiteral("Profile"));
    profileNameBox->setAccessibleName(QStringLiteral("New Profile Name"));
    grid->addWidget(profileLabel, 0, 0);
    grid->addWidget(profileBox, 0, 1);
    grid->addWidget(databaseButton, 0, 2);
    grid->addWidget(noProfilesLabel, 1, 1);
    grid->addWidget(newProfileLabel, 2, 0);
    grid->addWidget(profileNameBox, 2, 1);
    grid->addWidget(continueButton, 3, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    ChainTabOrder({profileBox, databaseButton, profileNameBox, continueButton});

    connect(continueButton, &QPushButton::clicked, this, &ProfileView::continueClicked);
    connect(databaseButton, &QPushButton::clicked, this, &ProfileView::databaseClicked);
    setAdding(false);
}

void ProfileView::setProfileNames(const QStringList& names, const QString& wanted) {
    profileBox->clear();
    profileBox->addItems(names);
    if (!names.isEmpty()) {
        const int index = names.indexOf(wanted);
        profileBox->setCurrentIndex(index >= 0 ? index : 0);
    }
    noProfilesLabel->setVisible(names.isEmpty());
}

QString ProfileView::chosenProfile() const { return profileBox->currentText(); }

void ProfileView::setAdding(bool adding) {
    profileNameBox->setVisible(adding);
    newProfileLabel->setVisible(adding);
    continueButton->setEnabled(!adding);
    databaseButton->setEnabled(!adding);
    if (adding) {
        profileNameBox->clear();
        profileNameBox->setFocus();
    }
}

bool ProfileView::isAdding() const { return !profileNameBox->isHidden(); }

QString ProfileView::typedName() const { return profileNameBox->text(); }

void ProfileView::clearTypedName() { profileNameBox->clear(); }

void ProfileView::selectTypedName() {
    profileNameBox->setFocus();
    profileNameBox->selectAll();
}

void ProfileView::focusContinue() { continueButton->setFocus(); }

void ProfileView::focusList() { profileBox->setFocus(); }

}  // namespace keyloft
