#pragma once
// The profile view (fraProfile): the profile list, the new-profile name box, "Continue" and the
// choice of the database folder.

#include <QGroupBox>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keyloft {

class ProfileView : public QGroupBox {
    Q_OBJECT
  public:
    explicit ProfileView(QWidget* parent = nullptr);

    // Fills cboProfile and selects `wanted` when it is listed, else the first name. An empty list
    // shows how to make a profile instead.
    void setProfileNames(const QStringList& names, const QString& wanted = QString());
    QString chosenProfile() const;

    // Adding a profile: the name box and its label shown, emptied and focused; Continue and
    // Database… are off meanwhile. Not adding: the box and label hidden, both buttons on.
    void setAdding(bool adding);
    bool isAdding() const;
    QString typedName() const;
    void clearTypedName();
    // After a refused name: the box keeps it, selected for correcting.
    void selectTypedName();
    void focusContinue();
    void focusList();

  signals:
    void continueClicked();
    void databaseClicked();

  private:
    QComboBox* profileBox;
    QLabel* noProfilesLabel;
    QLabel* newProfileLabel;
    QLineEdit* profileNameBox;
    QPushButton* continueButton;
    QPushButton* databaseButton;
};

inline constexpr char kNoProfilesYetText[] = "No profiles yet: press Add to create one.";
inline constexpr char kDatabaseButtonCaption[] = "Database\u2026";
inline constexpr char kDatabaseButtonToolTip[] = "Choose the folder that holds the profiles";

}  // namespace keyloft
