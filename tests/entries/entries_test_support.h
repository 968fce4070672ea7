#pragma once
// The passwords page under test inside the real main window (the shared window fixture), logged
// on to a new profile "test". Tests drive it through the window's toolbar commands, keys and
// clicks.

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "support/gui_window_fixture.h"
#include "support/profile_seeding.h"

namespace keyloft::testing {

class PasswordsViewTest : public WindowTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Record text of an entry.
    static std::u16string entry(const QString& category, const QString& description, const QString& userCode,
                                const QString& password = QStringLiteral("pw"), const QString& notes = {},
                                const QString& expiry = {}, const QString& web = {},
                                const QString& email = {});
    // Replaces the entries (and the categories, when given) and saves the profile.
    void setEntries(const std::vector<std::u16string>& entries, const std::vector<QString>& categories = {});
    // The entries as the profile file holds them (read back from disk).
    std::vector<std::u16string> entriesOnDisk();
    // The entries a fresh store finds after this one lets go of the file (a restart).
    std::vector<std::u16string> entriesAfterRestart() { return RecordsOf(profileOnDisk(u"test").entries); }
    // The Passwords command: the page shown and filled afresh.
    void openView() { ASSERT_TRUE(press("Passwords")); }
    int rowOf(const QString& userCode);  // -1 when not listed
    QString cell(int row, int column);
    // A click on the row, as the user chooses it.
    void clickRow(int row);
    // A click on a column's heading.
    void clickHeading(int column);
    bool newMarkerShown() { return !find<QLabel>("lblNewUser")->isHidden(); }
    ProfileStore& store() { return window->store(); }

    std::unique_ptr<QAbstractItemModelTester> modelTester;
};

}  // namespace keyloft::testing
