// Import… in the passwords view: a Bitwarden CSV export with a login, a secure note, an entry the
// profile holds already and a row the profile cannot hold; previewed, then saved once, cancelled,
// or saved onto a colleague's version of the profile when they saved while the preview was open.
#include <QComboBox>
#include <fstream>

#include "store/profile_store.h"
#include "store/text_convert.h"
#include "support/gui_window_fixture.h"
#include "support/record_values.h"
#include "support/zip_writer.h"

namespace keyloft::testing {
namespace {

constexpr char kExport[] =
    "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
    "Work/Email,,login,Webmail,,,0,https://mail.example,alice,pw1,JBSWY3DP\n"
    ",,note,Wi-Fi,door code 42,,0,,,,\n"
    "Home,,login,Shop,,,0,,bob,pw2,\n"
    ",,login,Broken,,,0,,x|y,p,\n";

constexpr char16_t kShop[] = u"4|Home|Shop|bob|pw2||||";
constexpr char16_t kColleagues[] = u"4||Bank|carol|pw3||||";

struct Case {
    MessageAnswer answer;
    bool colleagueSaves;  // while the preview is open
    std::size_t entries;
    std::int32_t saves;
};

class Import : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        writeProfile({.name = u"Team"});
        otherInstanceSaves(u"Team", [](Profile& p) {
            p.categories.add(u"Home");
            p.entries = {EntryOf(kShop)};
        });
        versionBefore = profileOnDisk(u"Team").version;
        const std::filesystem::path file = folder / "bitwarden_export.csv";
        std::ofstream(file, std::ios::binary) << kExport;
        chosenImportFile = QString::fromStdU16String(file.u16string());
        assemble = true;
        start();
        logOnAs({.name = u"Team"});
        ASSERT_TRUE(press("Passwords"));
    }

    void importAnswering(const Case& c);

    std::int32_t versionBefore = 0;
};

void Import::importAnswering(const Case& c) {
    const QString preview = QStringLiteral(
        "\"bitwarden_export.csv\" read as Bitwarden CSV: 4 entries.\n\n"
        "To be imported: 2 entries, with 1 new category\n"
        "Completed with the placeholder user code \"(no user code)\": 1\n"
        "Duplicates to skip (in the profile already, or twice in the file): 1\n"
        "Refused: 1\n"
        "    line 5: %1\n"
        "Columns not kept: type, reprompt\n\n"
        "Import the others into the profile? (The refused rows are left out.)");
    dialogs.answerNext(c.answer);
    if (c.colleagueSaves) {
        dialogs.whileOpen([this] {
            otherInstanceSaves(u"Team", [](Profile& p) { p.entries.push_back(EntryOf(kColleagues)); });
        });
        dialogs.expect(u"The record has been modified by another user.\nRefreshing data...");
    }
    const bool yes = c.answer == MessageAnswer::Yes;
    if (yes) dialogs.answerNext(MessageAnswer::Ok);
    ASSERT_TRUE(press("Import"));
    EXPECT_EQ(dialogs.pending(), 0u);
    ASSERT_EQ(dialogs.shown().size(), yes ? (c.colleagueSaves ? 3u : 2u) : 1u);

    const MessageRequest& asked = dialogs.shown().front();
    const QString refusal =
        QString::fromStdU16String(asked.text).section(QStringLiteral("line 5: "), 1).section(u'\n', 0, 0);
    EXPECT_TRUE(refusal.contains(u'|')) << refusal.toStdString();
    EXPECT_EQ(QString::fromStdU16String(asked.text), preview.arg(refusal));
    EXPECT_EQ(asked.buttons, MessageButtons::YesNo);
    if (yes) {
        EXPECT_EQ(dialogs.last().text,
                  u"Imported 2 entries and 1 new category; 1 completed with a placeholder; "
                  u"1 skipped as duplicates; 1 refused.");
    }

    // The list shows the profile as saved, and the filter offers the new category.
    EXPECT_EQ(entryRows()->rowCount(), static_cast<int>(c.entries));
    EXPECT_EQ(find<QComboBox>("cboFilter")->findText(QStringLiteral("Work/Email")) >= 0, yes);
    const Profile saved = profileOnDisk(u"Team");
    EXPECT_EQ(saved.version, versionBefore + c.saves);
    ASSERT_EQ(saved.entries.size(), c.entries);
    const std::vector<std::u16string> records = RecordsOf(saved.entries);
    EXPECT_EQ(records[0], kShop);
    if (!yes) return;
    const std::size_t first = c.colleagueSaves ? 2 : 1;
    if (c.colleagueSaves) {
        EXPECT_EQ(records[1], kColleagues);
    }
    EXPECT_EQ(records[first], u"4|Work/Email|Webmail|alice|pw1|login_totp: JBSWY3DP||https://mail.example|");
    EXPECT_EQ(records[first + 1], u"4||Wi-Fi|(no user code)||door code 42|||");
}

TEST_F(Import, CancelledAtThePreviewSavesNothing) { importAnswering({MessageAnswer::No, false, 1, 0}); }
TEST_F(Import, AcceptedIsSavedOnce) { importAnswering({MessageAnswer::Yes, false, 3, 1}); }
TEST_F(Import, AColleaguesSaveMeanwhileKeepsBoth) { importAnswering({MessageAnswer::Yes, true, 4, 2}); }

TEST_F(Import, ALockWhileThePreviewIsOpenImportsNothing) {
    dialogs.answerNext(MessageAnswer::Yes);
    dialogs.whileOpen([this] { window->lockFrom(LockTrigger::Idle); });
    ASSERT_TRUE(press("Import"));
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_FALSE(window->logonAccepted());
    EXPECT_EQ(profileOnDisk(u"Team").version, versionBefore);
}

// Import… reads what keyloft-cli import reads: an archive of another program's files is previewed
// by what it is, a database it cannot open is named with the command that exports it.
TEST_F(Import, AnArchiveIsPreviewedByWhatItHoldsAndADatabaseIsRefusedWithWhatToDo) {
    const std::filesystem::path zip = folder / "dashlane.zip", kdbx = folder / "vault.kdbx";
    WriteZip(zip, {{"credentials.csv", "username,username2,title,password\nme,me2,Mail,pw\n"}});
    std::ofstream(kdbx, std::ios::binary)
        << std::string("\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5\x01\x00\x04\x00", 12);

    chosenImportFile = QString::fromStdU16String(zip.u16string());
    dialogs.answerNext(MessageAnswer::No);
    ASSERT_TRUE(press("Import"));
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.last().text.starts_with(
        u"\"dashlane.zip\" read as Dashlane ZIP: 1 entry (credentials.csv: 1).\n\nTo be imported: 1 entry\n"))
        << Utf16ToUtf8(dialogs.last().text);

    chosenImportFile = QString::fromStdU16String(kdbx.u16string());
    dialogs.expect(
        u"\"vault.kdbx\" cannot be imported: it is a KeePass database (.kdbx), which Keyloft does not "
        u"open; export it as XML first with keepassxc-cli export --format xml DATABASE.kdbx > "
        u"DATABASE.xml and import that XML file.");
    ASSERT_TRUE(press("Import"));
    EXPECT_EQ(dialogs.pending(), 0u);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.last().icon, MessageIcon::Exclamation);
    EXPECT_EQ(profileOnDisk(u"Team").version, versionBefore);
}

}  // namespace
}  // namespace keyloft::testing
