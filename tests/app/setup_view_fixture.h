#pragma once
// The security setup view of the real window, logged on to the profile "Home" (a password of its
// own, two questions) and shown, for the setup tests.
#include <QCheckBox>
#include <QLineEdit>
#include <QString>

#include "store/profile_history.h"
#include "store/profile_store.h"
#include "support/gui_window_fixture.h"
#include "support/temp_folder.h"

namespace keyloft::testing {

inline const QString kMask = QStringLiteral("**********");
// A password the sealing rule accepts.
inline const QString kStrong = QStringLiteral("violet harbour 47 kites");

class SetupViewTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile(home);
        // Its owner keeps it readable (as the folder is shared with older copies): saves keep the
        // usual form unless a test ticks sealing itself.
        if (keptReadable) {
            RememberKeptReadable(*settings, folder / "Home.dat", true);
        }
        assemble = true;
        start();
        logOnAs(home);
        ASSERT_TRUE(press("Setup"));
        ASSERT_TRUE(frameShown("fraSecurityOptions"));
    }
    const Profile& profile() { return window->store().open().profile(); }
    // Sets a box as typing would (its change event runs).
    static void type(QLineEdit* box, const QString& text) { box->setText(text); }
    void clearQuestions() {
        for (std::size_t i = 0; i < 3; ++i) {
            type(nth<QLineEdit>("txtQuestion", i), QString());
            type(nth<QLineEdit>("txtanswer", i), QString());
        }
    }
    // Save expected to be refused with `text`; nothing may change in the profile.
    void expectRefused(const QString& text, const std::u16string& title = u"Error",
                       MessageIcon icon = MessageIcon::Exclamation) {
        const Profile before = profile();
        dialogs.expect(text);
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.last().title, title);
        EXPECT_EQ(dialogs.last().icon, icon);
        EXPECT_EQ(dialogs.last().buttons, MessageButtons::Ok);
        EXPECT_TRUE(window->isDirty());
        EXPECT_TRUE(button("Save")->isEnabled());
        EXPECT_EQ(profile().password, before.password);
        EXPECT_EQ(profile().userId, before.userId);
        EXPECT_EQ(profile().logonMode, before.logonMode);
        EXPECT_EQ(profile().questions, before.questions);
        EXPECT_EQ(profile().answerMode, before.answerMode);
        EXPECT_EQ(profile().version, before.version) << "nothing may be written";
    }
    void saveAccepted() {
        const std::size_t before = dialogs.shown().size();
        ASSERT_TRUE(press("Save"));
        EXPECT_EQ(dialogs.shown().size(), before) << "no message expected";
        EXPECT_FALSE(window->isDirty());
        EXPECT_FALSE(button("Save")->isEnabled());
        EXPECT_FALSE(button("Cancel")->isEnabled());
    }
    // The profile as its file holds it.
    Profile reloaded() {
        EXPECT_TRUE(window->store().open().reload().loaded());
        return window->store().open().profile();
    }
    std::u16string setting(const char16_t* name) {
        std::u16string value;
        EXPECT_TRUE(settings->read(name, value));
        return value;
    }
    std::u16string timerSetting() { return setting(u"Timer"); }
    void typePassword(const QString& password) {
        type(find<QLineEdit>("txtPassword"), password);
        type(find<QLineEdit>("txtconfirm"), password);
    }

    // The saved file as a colleague's program reads it. Windows lets nobody else open a file
    // Keyloft holds, so there the window lets go of it first (its next save takes it again).
    std::string fileBytes() {
#ifdef _WIN32
        window->store().open().closeHeldFile();
#endif
        return TempFolder::readFile(folder / "Home.dat");
    }
    bool remembersKeptReadable() { return ReadKeptReadable(*settings, folder / "Home.dat"); }
    bool fileSealed() { return fileBytes().rfind("KEYLOFT SEALED 1\r\n", 0) == 0; }

    bool keptReadable = true;
    ProfileOnDisk home{.name = u"Home",
                       .userId = u"Ann",
                       .password = u"Secret",
                       .pin = u"1234",
                       .questions = {{u"Pet", u"Rex"}, {u"Town", u"Ely"}},
                       .answerMode = 1};
};

}  // namespace keyloft::testing
