// The record commands go to the page that is shown, and the window follows what its pages signal.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

#include "pages/page.h"

#include "store/profile_store.h"
#include "support/gui_window_fixture.h"

namespace keyloft::testing {
namespace {

// A page that records what the window asks of it, by name ("show:1", "refresh", "add", ...).
class RecordingPage final : public Page {
  public:
    explicit RecordingPage(PageServices services) : Page(std::move(services), nullptr) {}
    void pageShown(bool shown) override { calls << QStringLiteral("show:%1").arg(shown); }
    void refresh() override { calls << QStringLiteral("refresh"); }
    void add() override {
        calls << QStringLiteral("add");
        CommandStates states;
        states.remove = false;
        states.cancel = true;
        emit commandsChanged(states);
    }
    bool save() override {
        calls << QStringLiteral("save");
        return saveSucceeds;
    }
    void remove() override { calls << QStringLiteral("remove"); }
    void forgetProfile() override { calls << QStringLiteral("forget"); }
    // What a user's typing does.
    void edit() { markChanged(); }
    void say(const QString& text) { emit statusChanged(text); }

    QStringList calls;
    bool saveSucceeds = true;
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
    void install() override { ++setups; }
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
        passwords = new RecordingPage(window->pageServices());
        setup = new RecordingPage(window->pageServices());
        categories = new RecordingPage(window->pageServices());
        window->setPasswordsPage(passwords);
        window->setSetupPage(setup);
        window->setCategoryPage(categories);
        window->setPopup(&popup);
        logOnAs({.name = u"Alice", .password = u"pw"});
    }
    void TearDown() override {
        window->setPopup(nullptr);
        window->setTray(nullptr);
        WindowTest::TearDown();
    }
    // Owned by the window's frames.
    RecordingPage* passwords = nullptr;
    RecordingPage* setup = nullptr;
    RecordingPage* categories = nullptr;
    RecordingPopup popup;
    RecordingTray tray;
};

TEST_F(ViewDispatch, PasswordsButtonShowsThePageAndRefreshesIt) {
    passwords->calls.clear();
    ASSERT_TRUE(press("Passwords"));
    EXPECT_EQ(passwords->calls.back(), QStringLiteral("refresh"));
    EXPECT_TRUE(passwords->calls.contains(QStringLiteral("show:1")));
    EXPECT_EQ(passwords->parentWidget(), find<QWidget>("fraPasswords"));
}

TEST_F(ViewDispatch, ThePageSignalsSetTheFlagTheCommandsAndTheStatusLine) {
    ASSERT_TRUE(press("Passwords"));
    passwords->calls.clear();
    ASSERT_TRUE(press("Add"));
    EXPECT_EQ(passwords->calls, (QStringList{"add"}));
    EXPECT_FALSE(button("Delete")->isEnabled());
    EXPECT_TRUE(button("Cancel")->isEnabled());
    EXPECT_FALSE(window->isDirty());

    passwords->edit();
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());
    EXPECT_FALSE(button("Add")->isEnabled());

    passwords->say(QStringLiteral(" You have 3 records stored!"));
    EXPECT_EQ(statusText(), QStringLiteral("You are logged into Alice profile! You have 3 records stored!"));
}

TEST_F(ViewDispatch, SaveInThePasswordsPageKeepsTheFlagWhenRefusedAndClearsItWhenStored) {
    ASSERT_TRUE(press("Passwords"));
    passwords->edit();
    passwords->saveSucceeds = false;
    passwords->calls.clear();
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(passwords->calls, (QStringList{"save"}));
    EXPECT_TRUE(window->isDirty());
    EXPECT_TRUE(button("Save")->isEnabled());

    passwords->saveSucceeds = true;
    passwords->calls.clear();
    ASSERT_TRUE(press("Save"));
    // Shown afresh, with the buttons of a freshly shown page.
    EXPECT_EQ(passwords->calls, (QStringList{"save", "show:1"}));
    EXPECT_FALSE(button("Save")->isEnabled());
    EXPECT_FALSE(window->isDirty());
}

TEST_F(ViewDispatch, DeleteInThePasswordsPageOnlyAfterYes) {
    ASSERT_TRUE(press("Passwords"));
    button("Delete")->setEnabled(true);
    passwords->calls.clear();
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::No);
    ASSERT_TRUE(press("Delete"));
    EXPECT_TRUE(passwords->calls.isEmpty());
    dialogs.expect(QStringLiteral("Are you sure you wish to delete this entry?"), MessageAnswer::Yes);
    ASSERT_TRUE(press("Delete"));
    EXPECT_EQ(passwords->calls, (QStringList{"remove"}));
}

TEST_F(ViewDispatch, LockMakesEveryPageForgetTheProfile) {
    ASSERT_TRUE(press("Passwords"));
    ASSERT_TRUE(press("Unlock"));  // the pressed first button locks
    for (RecordingPage* page : {passwords, setup, categories})
        EXPECT_TRUE(page->calls.contains(QStringLiteral("forget")));
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

TEST_F(ViewDispatch, SetupIsFilledWhenShownAndAFailedSaveKeepsTheFlag) {
    ASSERT_TRUE(press("Setup"));
    EXPECT_EQ(setup->calls.count(QStringLiteral("refresh")), 1);

    ASSERT_TRUE(settings->write(u"Timer", u"7"));
    setup->edit();
    setup->saveSucceeds = false;
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(setup->calls.count(QStringLiteral("save")), 1);
    EXPECT_TRUE(window->isDirty());
    std::u16string value;
    ASSERT_TRUE(settings->read(u"Timer", value));
    EXPECT_EQ(value, u"7");

    ASSERT_TRUE(press("Cancel"));
    EXPECT_EQ(setup->calls.count(QStringLiteral("refresh")), 2);
    EXPECT_FALSE(window->isDirty());
}

TEST_F(ViewDispatch, CategoryCommandsGoToTheCategoryView) {
    ASSERT_TRUE(press("Setup"));
    find<QPushButton>("cmdCategory")->click();
    categories->calls.clear();
    ASSERT_TRUE(press("Add"));
    EXPECT_EQ(categories->calls, (QStringList{"add"}));
    EXPECT_FALSE(button("Delete")->isEnabled());
    categories->edit();
    categories->calls.clear();
    ASSERT_TRUE(press("Save"));
    EXPECT_EQ(categories->calls, (QStringList{"save", "show:0", "show:1"}));
    EXPECT_FALSE(window->isDirty());
    EXPECT_EQ(setup->calls.count(QStringLiteral("save")), 0);
}

TEST_F(ViewDispatch, ThePasswordTimerClosesAVisiblePopup) {
    fireTimer("tmrPass");
    EXPECT_EQ(popup.closes, 0);
    popup.visible = true;
    fireTimer("tmrPass");
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
    window->setDirty(false);
    clock.advanceSeconds(3600);
    popup.visible = true;
    duringWait = [this] {
        fireTimer("tmrLock");
        fireTimer("tmrPass");
    };
    window->waitMilliseconds(3000);
    ASSERT_EQ(waits, (std::vector<int>{3000}));
    EXPECT_TRUE(window->logonAccepted());
    EXPECT_EQ(popup.closes, 0);
    // After the wait the next tick locks as usual.
    fireTimer("tmrLock");
    EXPECT_FALSE(window->logonAccepted());
}

}  // namespace
}  // namespace keyloft::testing
