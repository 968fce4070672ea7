// The record toolbar and Toolbar1 call the plugged-in views' hooks for the view that is shown.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "store/profile_store.h"
#include "window_fixture.h"

namespace keyloft::testing {
namespace {

class RecordingPasswords final : public PasswordsViewApi {
public:
    explicit RecordingPasswords(frmNewMain*& window) : window_(window) {}
    void onShowPasswords(bool bol) override { calls << QStringLiteral("show:%1").arg(bol); }
    void RefreshEntryLists() override { calls << QStringLiteral("refresh"); }
    void ClearEntryEditor() override {
        calls << QStringLiteral("clear");
        guardDuringClear = window_->fillGuard();
    }
    void beginNewEntry() override { calls << QStringLiteral("new"); }
    void DeleteEntry() override { calls << QStringLiteral("delete"); }
    bool SaveEntry() override {
        calls << QStringLiteral("save");
        return saveSucceeds;
    }
    void SelectSavedEntry() override { calls << QStringLiteral("select saved"); }
    void ShowSelectedEntry() override { calls << QStringLiteral("popup"); }
    void GenerateIntoEditor() override { calls << QStringLiteral("generate"); }
    void PrintMasterList() override { calls << QStringLiteral("print"); }

    QStringList calls;
    bool saveSucceeds = true;
    bool guardDuringClear = false;

private:
    frmNewMain*& window_;
};

class RecordingSetup final : public SetupViewApi {
public:
    explicit RecordingSetup(frmNewMain*& window) : window_(window) {}
    void FillSetup() override {
        ++fills;
        guardDuringFill = window_->fillGuard();
    }
    bool SaveSecurityOptions() override {
        ++saves;
        return saveSucceeds;
    }
    int fills = 0, saves = 0;
    bool saveSucceeds = true;
    bool guardDuringFill = false;

private:
    frmNewMain*& window_;
};

class RecordingCategories final : public CategoryViewApi {
public:
    void onShowCategory(bool bol) override { calls << QStringLiteral("show:%1").arg(bol); }
    void FillCategoryList() override { calls << QStringLiteral("fill"); }
    void beginNewCategory() override { calls << QStringLiteral("new"); }
    void DeleteCategory() override { calls << QStringLiteral("delete"); }
    void SaveCategory() override { calls << QStringLiteral("save"); }
    QStringList calls;
};

class RecordingPopup final : public PopupApi {
public:
    bool isPopupVisible() const override { return visible; }
    void closePopup() override {
        ++closes;
        visible = false;
    }
    bool visible = false;
    int closes = 0;
};

class RecordingTray final : public TrayApi {
public:
    void SetupTray() override { ++setups; }
    void onWindowMinimized() override { ++minimized; }
    void onWindowClosing() override { ++closing; }
    int setups = 0, minimized = 0, closing = 0;
};

class ViewDispatch : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Alice", .password = u"pw"});
        start();
        raw = window.get();
        window->setPasswordsView(&passwords);
        window->setSetupView(&setup);
        window->setCategoryView(&categories);
        window->setPopup(&popup);
        logOnAs({.name = u"Alice", .password = u"pw"});
    }
    void TearDown() override {
        window->setPasswordsView(nullptr);
        window->setSetupView(nullptr);
        window->setCategoryView(nullptr);
        window->setPopup(nullptr);
        window->setTray(nullptr);
        WindowTest::TearDown();
    }
    frmNewMain* raw = nullptr;
    RecordingPasswords passwords{raw};
    RecordingSetup setup{raw};
    RecordingCategories categories;
    RecordingPopup popup;
    RecordingTray tray;
};

TEST_F(ViewDispatch, PasswordsButtonShowsTheViewAndRefreshesIt) {
    passwords.calls.clear();
    ASSERT_TRUE(press("Passwords"));
    EXPECT_EQ(passwords.calls.back(), QStringLiteral("refresh"));
    EXPECT_TRUE(passwords.calls.contains(QStringLiteral("show:1")));
}

TEST_F(ViewDispatch, AddInThePasswordsViewClearsTheEditorUnderTheGuard) {
    ASSERT_TRUE(press("Passwords"));
    passwords.calls.clear();
    ASSERT_TRUE(press("Add"));
    EXPECT_EQ(passwords.calls, (QStringList{"clear", "new"}));
    EXPECT_TRUE(passwords.guardDuringClear);
    EXPECT_FALSE(window->fillGuard());
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_TRUE(button("Generate")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isEnabled());

    ASSERT_TRUE(press("Generate"));
    EXPECT_EQ(passwords.calls.back(), QStringLiteral("generate"));
    ASSERT_TRUE(press("Print"));
    EXPECT_EQ(passwords.calls.back(), QStringLiteral("print"));
    button("Show")->setEnabled(true);  // the view enables it when a row is chosen
    ASSERT_TRUE(press("Show"));
    EXPECT_EQ(passwords.calls.back(), QStringLiteral("popup"));
}

TEST_F(ViewDispatch, SaveInThePasswordsViewKeepsTheFlagWhenRefusedAndClearsItWhenStored) {
    ASSERT_TRUE(press("Passwords"));
    window->SetDirty(true);
    passwords.saveSucceeds = false;
    passwords.calls.clear();
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(passwords.calls, (QStringList{"save"}));
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());

    window->SetDirty(true);
    passwords.saveSucceeds = true;
    passwords.calls.clear();
    ASSERT_TRUE(press("Save"));
    // The stored entry stays chosen in the editor, with the buttons of a freshly shown view.
    EXPECT_EQ(passwords.calls, (QStringList{"save", "show:1", "select saved"}));
    EXPECT_FALSE(button("Save")->isEnabled());
}

TEST_F(ViewDispatch, DeleteInThePasswordsViewOnlyAfterYes) {
    ASSERT_TRUE(press("Passwords"));
    button("Delete")->setEnabled(true);
    passwords.calls.clear();
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::No);
    ASSERT_TRUE(press("Delete"));
    EXPECT_TRUE(passwords.calls.isEmpty());
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    ASSERT_TRUE(press("Delete"));
    EXPECT_EQ(passwords.calls, (QStringList{"delete"}));
}

TEST_F(ViewDispatch, FilterEnablesTheListAndReleasingResetsIt) {
    ASSERT_TRUE(press("Passwords"));
    auto* filter = find<QComboBox>("cboFilter");
    filter->addItems({QStringLiteral("<All>"), QStringLiteral("Bank")});
    EXPECT_FALSE(filter->isEnabled());
    ASSERT_TRUE(press("Filter"));
    EXPECT_TRUE(filter->isEnabled());
    filter->setCurrentIndex(1);
    ASSERT_TRUE(press("Filter"));
    EXPECT_FALSE(filter->isEnabled());
    EXPECT_EQ(filter->currentIndex(), 0);
}

TEST_F(ViewDispatch, SetupIsFilledUnderTheGuardAndAFailedSaveKeepsTheFlag) {
    window->setPasswordEdited(true);
    ASSERT_TRUE(press("Setup"));
    EXPECT_EQ(setup.fills, 1);
    EXPECT_TRUE(setup.guardDuringFill);
    EXPECT_FALSE(window->passwordEdited());

    ASSERT_TRUE(settings->write(u"Timer", u"7"));
    window->SetDirty(true);
    setup.saveSucceeds = false;
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(setup.saves, 1);
    EXPECT_TRUE(window->isDirty());
    std::u16string value;
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"7");

    ASSERT_TRUE(press("Cancel"));
    EXPECT_EQ(setup.fills, 2);
    EXPECT_FALSE(window->isDirty());
}

TEST_F(ViewDispatch, CategoryCommandsGoToTheCategoryView) {
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    categories.calls.clear();
    ASSERT_TRUE(press("Add"));
    EXPECT_EQ(categories.calls, (QStringList{"new"}));
    EXPECT_FALSE(button("Delete")->isEnabled());
    window->SetDirty(true);
    categories.calls.clear();
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(categories.calls, (QStringList{"save", "show:0", "show:1", "fill"}));
    EXPECT_FALSE(window->isDirty());
    EXPECT_EQ(setup.saves, 0);
}

TEST_F(ViewDispatch, ThePasswordTimerClosesAVisiblePopup) {
    window->tmrPass_Timer();
    EXPECT_EQ(popup.closes, 0);
    popup.visible = true;
    window->tmrPass_Timer();
    EXPECT_EQ(popup.closes, 1);
}

TEST_F(ViewDispatch, ParkHandsTheWindowToTheTrayWhenThereIsOne) {
    trayAvailable = true;
    window->setTray(&tray);
    find<QPushButton>("cmdPark")->click();
    EXPECT_EQ(tray.minimized, 1);
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
    EXPECT_TRUE(window->logonAccepted());  // Park does not lock
}

TEST_F(ViewDispatch, TimersWaitWhileTheStoreBlocks) {
    auto* check = find<QCheckBox>("chkTimeout");
    find<QSlider>("slTimer")->setValue(5);
    check->setChecked(true);
    window->SetDirty(false);
    clock.advanceSeconds(3600);
    popup.visible = true;
    duringWait = [this] {
        window->tmrLock_Timer();
        window->tmrPass_Timer();
    };
    window->waitMilliseconds(3000);
    ASSERT_EQ(waits, (std::vector<int>{3000}));
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_EQ(popup.closes, 0);
    // After the wait the next tick locks as usual.
    window->tmrLock_Timer();
    EXPECT_FALSE(window->logonAccepted());
}

}  // namespace
}  // namespace keyloft::testing
