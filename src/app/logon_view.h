#pragma once
// The logon view (fraLogin) with its questions panel (fraQuestions): the rows per logon mode and
// the typed details or answers, which the store's logon step checks.

#include <array>

#include <QGroupBox>

#include <string>
#include <vector>

#include "store/profile_store.h"

class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace keyloft {

struct Profile;

class LogonView : public QGroupBox {
    Q_OBJECT
  public:
    explicit LogonView(QWidget* parent = nullptr);

    // Logon view set-up: lays the rows out for the logon mode, enables "Forgot Logon!", empties
    // every box and closes the questions panel.
    void setUp(int logonMode);
    // Focus to the first box after "Continue": PIN if shown, else user ID if shown, else password.
    void focusFirstBox();

    // What the logon boxes hold; the store's logon step trims and checks them.
    LogonDetails typedDetails() const;
    // "Forgot Logon!": opens the questions panel with one row per stored question. False (nothing
    // shown) when the profile has no question.
    bool openQuestions(const Profile& profile);
    bool questionsShown() const;
    // What the answer boxes hold, one per row, in question order.
    std::vector<std::u16string> typedAnswers() const;

  signals:
    void logonClicked();
    void forgotClicked();

  private:
    void emptyBoxes();

    QLabel* userIdLabel;
    QLabel* passwordLabel;
    QLabel* pinLabel;
    QLineEdit* userIdBox;
    QLineEdit* passwordBox;
    QLineEdit* pinBox;
    QPushButton* logonButton;
    QPushButton* forgotButton;
    QFrame* questionsPanel;
    QGridLayout* rows_;
    std::array<QLabel*, 3> questionLabels{};
    std::array<QLineEdit*, 3> answerBoxes{};
};

}  // namespace keyloft
