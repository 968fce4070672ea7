// keyloft-cli logon and create --seal, and what seal and unseal ask before they write: the rule for
// the secrets a sealed file is made with, and the question before a file that anyone can read.
#include <gtest/gtest.h>

#include <cstring>

#include "cli_fixture.h"

namespace keyloft::cli::testing {
namespace {

constexpr char kOwn[] = "Trout-Lamp-Kettle-93";  // kOwnPassword without its line break
constexpr char kEasyPasswordRefused[] =
    "To seal the profile, choose a password that is harder to guess (strength \"Good\" or better).";
constexpr char kDefaultPasswordRefused[] =
    "To seal the profile, choose a password of your own: the default password opens every new profile.\n";
constexpr char kReadablePasswordRefused[] =
    "To seal the profile, choose a new password: the present one has been stored in the readable form of its "
    "file, "
    "and any copy of that file (a backup, a sync engine's history, a colleague's copy) gives it away.\n";
constexpr char kAnswerRefused[] =
    "keyloft-cli: --answer is refused: an answer on the command line can be read by other users of the "
    "machine and "
    "stays in the shell's history. Give each --question alone and type its answer when asked (without echo, "
    "twice); "
    "from a pipe, give each answer on two lines after the new password (and PIN)\n";
constexpr char kUnsealQuestion[] =
    "Anyone who can copy the file will be able to read every password in it. Save the profile \"Home\" in "
    "the "
    "usual form?";

bool SealedOnDisk(const std::filesystem::path& file) {
    return ReadBytes(file).rfind("KEYLOFT SEALED 1\r\n", 0) == 0;
}

// seal of a profile in the usual form: its file holds the password, so a new one is read (twice)
// first, with the reason; the sealing rule refuses a default or easy one, and nothing is written.
TEST_F(Cli, SealReplacesAPasswordThatTheReadableFileHeldAndRefusesWeakOnes) {
    create("Home");
    const std::string before = ReadBytes(file("Home"));
    struct Case {
        std::string newPassword;  // given twice after the logon; empty: input ends
        std::string refusal;      // in standard error, after the reason
    };
    const Case cases[] = {
        {"", "keyloft-cli: standard input ended before the new password; nothing was changed\n"},
        {"opensesame", kDefaultPasswordRefused},
        {"password1", kEasyPasswordRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newPassword);
        const RunResult r = run({"seal", "Home"}, c.newPassword.empty()
                                                      ? kDefaultPassword
                                                      : Lines({"opensesame", c.newPassword, c.newPassword}));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.rfind(kReadablePasswordRefused, 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.refusal, std::strlen(kReadablePasswordRefused)), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadBytes(file("Home")), before);
    }
    ownLogon("Home");
    const std::string readable = ReadBytes(file("Home"));
    RunResult r =
        run({"seal", "Home"}, std::string(kReadablePassword) + kReadablePassword + kReadablePassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, std::string(kReadablePasswordRefused) + kReadablePasswordRefused +
                         "keyloft-cli: nothing was written; change the logon and the security questions with "
                         "\"keyloft-cli logon Home\", which seals the profile as well\n");
    EXPECT_EQ(ReadBytes(file("Home")), readable);

    r = sealOwn("Home");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Sealed the profile \"Home\".\n");
    EXPECT_TRUE(SealedOnDisk(file("Home")));
    EXPECT_EQ(run({"ls", "Home"}, kReadablePassword).exitCode, 3);
    EXPECT_EQ(run({"ls", "Home"}, kOwnPassword).exitCode, 0);
    r = run({"seal", "Home"}, kOwnPassword);  // sealed: no new password needed
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "The profile \"Home\" was already sealed; saved again.\n");
}

// Every refusal of the setup and of the sealing rule: nothing is written, the message says why.
TEST_F(Cli, LogonRefusalsBeforeSealingLeaveTheFileAsItWas) {
    create("Home");
    const std::string before = ReadBytes(file("Home"));
    const std::string own = Lines({kOwn, kOwn});
    struct Case {
        std::vector<std::string> options;
        std::string input;  // after the present logon
        int exitCode;
        std::string err;  // in standard error
    };
    const std::string answered = Lines({"Nether Wallop", "Nether Wallop"});
    const Case cases[] = {
        {{}, Lines({"A-Long-Pass-1", "A-Long-Pass-2"}), 1, "  Password does not match!\n"},
        {{"--question", "Town"}, own + Lines({" ", " "}), 1, "Question or Answer cannot be blank!\n"},
        {{"--question", "Town"}, own + Lines({"x|y", "x|y"}), 1, "The character | cannot be used here.\n"},
        {{"--question", "Town"},
         own + Lines({"Nether Wallop", "Little Snorting"}),
         1,
         "keyloft-cli: the answer to \"Town\" and its confirmation differ; nothing was changed\n"},
        {{"--question", "Town"},
         own + "Nether Wallop\n",
         1,
         "keyloft-cli: standard input ended before the answer to \"Town\"; nothing was changed\n"},
        {{"--question", "Town", "--answer", "Nether Wallop"}, own + answered, 2, kAnswerRefused},
        {{"--answer=Smithers-Ansr"}, own, 2, kAnswerRefused},
        {{"--mode", "userid", "--user-id", ""}, own, 1, " Specify correct UserID!\n"},
        {{"--mode", "pin"},
         own + Lines({"1234", "1243"}),
         1,
         "keyloft-cli: the PIN Number and its confirmation differ; nothing was changed\n"},
        {{"--question", "Town"}, Lines({"password1", "password1"}) + answered, 1, kEasyPasswordRefused},
        {{}, kOwn, 1, "keyloft-cli: standard input ended before the new password; nothing was changed\n"},
        {{"--question", "a", "--question", "b", "--question", "c", "--question", "d"},
         own,
         2,
         "keyloft-cli: at most 3 security questions\n"},
        {{"--mode", "sometimes"}, own, 2, "--mode"},
        {{"--answer-mode", "most"}, own, 2, "--answer-mode"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"logon", "Home"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = run(args, kDefaultPassword + c.input);
        SCOPED_TRACE(::testing::PrintToString(c.options));
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        if (c.err == kAnswerRefused) {
            EXPECT_EQ(r.err, kAnswerRefused) << "refused before the logon is read";
        }
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ReadBytes(file("Home")), before);
}

// logon seals with the new details; each answer that reaches the sealing rule's floor gets a slot,
// the others none (standard error names them), and "All Answers" is offered when all of them
// together would reach it: a terminal answers, --yes says yes, a pipe no.
TEST_F(Cli, LogonSealsWithTheNewDetailsOrKeepsTheUsualForm) {
    const std::string weakAlone = Lines({"grandma rose", "grandma rose", "everest", "everest", "Ely", "Ely"});
    const std::vector<std::string> threeQuestions{"--question", "Gran?",      "--question",
                                                  "Peak?",      "--question", "Town?"};
    const std::string each =
        "The answers to \"Gran?\", \"Peak?\" and \"Town?\" are each too easy to guess to open the "
        "sealed file.";
    const std::string offer =
        each +
        " All three answers together are hard enough to guess. Choose \"All Answers\", so "
        "that Forgotten Logon asks for all three?";
    const std::string leftOut =
        each +
        " The profile was sealed without them: Forgotten Logon cannot open the sealed "
        "file until stronger answers are set.\n";
    const auto with = [&](std::vector<std::string> options, const std::vector<std::string>& more) {
        options.insert(options.end(), more.begin(), more.end());
        return options;
    };
    struct Case {
        std::vector<std::string> options;
        std::string input;     // the new secrets
        std::string newLogon;  // what logs on afterwards
        std::string oldLogon;  // what no longer does
        bool sealed;
        std::vector<std::string> header;  // lines of the sealed file's header
        std::string err;                  // standard error
    };
    const Case cases[] = {
        {{"--question", "Town"},
         Lines({kOwn, kOwn, "Nether Wallop", "Nether Wallop"}),
         Lines({kOwn}),
         kDefaultPassword,
         true,
         {"logon=1", "answers=1", "slot=logon ", "slot=answers:1 "},
         ""},
        {{"--mode", "pin", "--user-id", "alice", "--question", "Town"},
         Lines({kOwn, kOwn, "2468", "2468", "Nether Wallop", "Nether Wallop"}),
         Lines({"alice", kOwn, "2468"}),
         Lines({"opensesame", "opensesame", "opensesame"}),
         true,
         {"logon=3", "slot=logon "},
         ""},
        // Only the password: the default question's answer gets no slot.
        {{},
         Lines({kOwn, kOwn}),
         Lines({kOwn}),
         kDefaultPassword,
         true,
         {"slot=logon "},
         "The answer to \"Default Question\" is too easy to guess to open the sealed file. The profile was "
         "sealed "
         "without them: Forgotten Logon cannot open the sealed file until stronger answers are set.\n"},
        {threeQuestions,
         Lines({kOwn, kOwn}) + weakAlone,
         Lines({kOwn}),
         kDefaultPassword,
         true,
         {"slot=logon "},
         offer + " no (standard input is not a terminal; give --yes to answer yes)\n" + leftOut},
        {with(threeQuestions, {"--yes"}),
         Lines({kOwn, kOwn}) + weakAlone,
         Lines({kOwn}),
         kDefaultPassword,
         true,
         {"answers=3", "slot=answers:1,2,3 "},
         offer + " yes (--yes)\n"},
        {with(threeQuestions, {"--answer-mode", "all"}),
         Lines({kOwn, kOwn}) + weakAlone,
         Lines({kOwn}),
         kDefaultPassword,
         true,
         {"answers=3", "slot=answers:1,2,3 "},
         ""},
        {{"--unsealed"}, Lines({"hunter22", "hunter22"}), "hunter22\n", kDefaultPassword, false, {}, ""},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        const std::string name = "P" + std::to_string(++number);
        create(name);
        std::vector<std::string> args{"logon", name};
        args.insert(args.end(), c.options.begin(), c.options.end());
        RunResult r = run(args, kDefaultPassword + c.input);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Changed the logon of the profile \"" + name + "\"; it is " +
                             (c.sealed ? "sealed.\n" : "in the usual form.\n"));
        EXPECT_EQ(r.err, c.err);
        const std::string bytes = ReadBytes(file(name));
        EXPECT_EQ(SealedOnDisk(file(name)), c.sealed);
        for (const std::string& line : c.header)
            EXPECT_NE(bytes.find("\r\n" + line), std::string::npos) << line;
        if (c.err.find("sealed without them") != std::string::npos) {
            EXPECT_EQ(bytes.find("slot=answers"), std::string::npos);
        }
        EXPECT_EQ(bytes.find("Nether Wallop"), std::string::npos);

        EXPECT_EQ(run({"ls", name}, c.newLogon).exitCode, 0);
        r = run({"ls", name}, c.oldLogon);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(Cli, UnsealingASealedProfileAsksBeforeItWritesAReadableFile) {
    ASSERT_EQ(run({"create", "Home", "--seal"}, Lines({kOwn, kOwn})).exitCode, 0);
    const std::string sealed = ReadBytes(file("Home"));
    const std::string notConfirmed = std::string(kUnsealQuestion) +
                                     " no (standard input is not a terminal; give --yes to answer yes)\n"
                                     "keyloft-cli: the profile \"Home\" stays sealed (not confirmed)\n";
    RunResult r = run({"unseal", "Home"}, kOwnPassword);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, notConfirmed);
    r = run({"logon", "Home", "--unsealed"}, Lines({kOwn, "hunter22", "hunter22"}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, notConfirmed);
#ifndef _WIN32
    std::string shown;
    r = RunCliOnTerminal({"--database", db().string(), "unseal", "Home"},
                         {{"Password: ", kOwn}, {std::string(kUnsealQuestion) + " [y/N] ", ""}}, config(),
                         shown);
    EXPECT_EQ(r.exitCode, 1) << r.err;  // Enter alone: the default, No
#endif
    EXPECT_EQ(ReadBytes(file("Home")), sealed);

    // --yes (or -y) answers yes, after the command or before it. Sealing again takes a new password.
    const std::vector<std::vector<std::string>> confirmed{
        {"unseal", "Home", "-y"}, {"unseal", "Home", "--yes"}, {"--yes", "unseal", "Home"}};
    std::string password = kOwn;
    for (const std::vector<std::string>& args : confirmed) {
        SCOPED_TRACE(::testing::PrintToString(args));
        ASSERT_TRUE(SealedOnDisk(file("Home")));
        r = run(args, Lines({password}));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "The profile \"Home\" is in the usual form again.\n");
        EXPECT_FALSE(SealedOnDisk(file("Home")));
        const std::string next = password + "-again";
        ASSERT_EQ(run({"seal", "Home"}, Lines({password, next, next})).exitCode, 0);
        password = next;
    }
}

// Sealed from the first file: password only, no question and so no answer slot. The logon opens it;
// the answers (the window's Forgot Logon) open nothing, and nothing fails on the missing slot.
TEST_F(Cli, CreateSealedOpensWithItsPasswordAndHasNoAnswerSlot) {
    struct Refusal {
        std::string name, input, err;
    };
    const Refusal refusals[] = {
        {"Home", Lines({"opensesame", "opensesame"}), kDefaultPasswordRefused},
        {"Home", Lines({"letmein", "letmein"}), kEasyPasswordRefused},
        {"Home", Lines({kOwn, "Trout-Lamp-Kettle-39"}), "  Password does not match!\n"},
        {"Home", Lines({" ", " "}), " Specify correct password!\n"},
        {"Home", kOwnPassword,
         "keyloft-cli: standard input ended before the new password; nothing was created\n"},
        {"Ho:me", Lines({kOwn, kOwn}), "A profile name cannot contain any of these characters"},
    };
    for (const Refusal& c : refusals) {
        SCOPED_TRACE(c.input);
        const RunResult r = run({"create", c.name, "--seal"}, c.input);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        EXPECT_TRUE(std::filesystem::is_empty(db()));
    }

    RunResult r = run({"create", "Home", "--seal"}, Lines({kOwn, kOwn}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Created the sealed profile \"Home\".", 0), 0u) << r.out;
    const std::string bytes = ReadBytes(file("Home"));
    ASSERT_TRUE(SealedOnDisk(file("Home")));
    EXPECT_NE(bytes.find("\r\nlogon=1\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\nslot=logon "), std::string::npos);
    EXPECT_EQ(bytes.find("slot=answers"), std::string::npos);
    EXPECT_EQ(bytes.find("question="), std::string::npos);
    EXPECT_EQ(run({"create", "Home", "--seal"}, Lines({kOwn, kOwn})).exitCode, 1);  // it exists
    EXPECT_EQ(ReadBytes(file("Home")), bytes);

    EXPECT_EQ(run({"add", "Home", "--user-code", "alice", "--generate"}, kOwnPassword).exitCode, 0);
    EXPECT_EQ(exportJson("Home", kOwnPassword)[0]["userCode"], "alice");
    EXPECT_EQ(run({"ls", "Home"}, kDefaultPassword).exitCode, 3);
    // The setup asks for a question before it changes this logon.
    r = run({"logon", "Home"}, Lines({kOwn, kOwn, kOwn}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "There must be at least 1 question and answer! Give them with --question TEXT (each answer is "
              "asked for).\n");

    DirectStore direct(temp_.path());
    ASSERT_TRUE(direct.store.open().openProfile(u"Home").loaded());
    EXPECT_TRUE(direct.store.open().profile().questions.empty());
    EXPECT_EQ(direct.store.open().logOnWithAnswers({}), LogonOutcome::Incorrect);
    EXPECT_EQ(direct.store.open().logOnWithAnswers({u"opensesame", u"", u""}), LogonOutcome::Incorrect);
    EXPECT_EQ(direct.store.open().logOn({u"", u"Trout-Lamp-Kettle-93", u""}), LogonOutcome::LoggedOn);
    EXPECT_EQ(direct.store.open().profile().entries.size(), 1u);
}

#ifndef _WIN32
TEST_F(Cli, LogonReadsTheNewPasswordAndTheAnswersTwiceWithoutEchoOnATerminal) {
    create("Home");
    std::string shown;
    const RunResult r = RunCliOnTerminal(
        {"--database", db().string(), "logon", "Home", "--unsealed", "--question", "Mother's maiden name?"},
        {{"Password: ", "opensesame"},
         {"New password: ", "hunter22"},
         {"Confirm new password: ", "hunter22"},
         {"Answer to \"Mother's maiden name?\": ", "Smithers-Ansr"},
         {"Confirm the answer: ", "Smithers-Ansr"}},
        config(), shown);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(shown.find("hunter22"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("Smithers"), std::string::npos) << shown;
    EXPECT_EQ(run({"ls", "Home"}, "hunter22\n").exitCode, 0);
    DirectStore direct(temp_.path());
    ASSERT_TRUE(direct.store.open().openProfile(u"Home").loaded());
    EXPECT_EQ(direct.store.open().logOnWithAnswers({u"Smithers-Ansr"}), LogonOutcome::LoggedOn);
}

// A sealed profile is let go while its logon is typed and its key made: a colleague reads and saves
// it meanwhile without waiting, and the logon then opens the file as the colleague left it.
TEST_F(Cli, ASealedProfileIsNotHeldWhileItsLogonIsTyped) {
    create("Home");
    ASSERT_EQ(run({"logon", "Home", "--question", "Town"},
                  Lines({"opensesame", kOwn, kOwn, "Nether Wallop", "Nether Wallop"}))
                  .exitCode,
              0);
    std::string shown;
    RunResult colleague;
    const RunResult r =
        RunCliOnTerminal({"--database", db().string(), "--wait", "0", "ls", "Home"}, {{"Password: ", kOwn}},
                         config(), shown, [&](std::size_t) {
                             colleague = run({"--wait", "0", "add", "Home", "--generate", "--user-code",
                                              "bob", "--description", "from a colleague"},
                                             Lines({kOwn}));
                         });
    EXPECT_EQ(colleague.exitCode, 0) << colleague.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("from a colleague"), std::string::npos) << r.out;
}
#endif

// A file this user last saw sealed and at a later version: an older sealed copy or a readable one put
// in its place is not opened without --yes (exit 6), and the message says what changed.
TEST_F(Cli, AReplacedFileOpensOnlyWithYes) {
    create("Home");
    ownLogon("Home");
    const std::string readable = ReadBytes(file("Home"));
    ASSERT_EQ(sealOwn("Home").exitCode, 0);
    const std::string older = ReadBytes(file("Home"));
    ASSERT_EQ(run({"seal", "Home"}, Lines({kOwn})).exitCode, 0);  // saved again: a newer version
    struct Case {
        const std::string* bytes;
        const char* change;
        const char* logon;  // what opens it
    };
    for (const Case& c : {Case{&older, "older than version", kOwnPassword},
                          Case{&readable, "is not sealed now", kReadablePassword}}) {
        SCOPED_TRACE(c.change);
        WriteBytes(file("Home"), *c.bytes);
        const RunResult refused = run({"ls", "Home"}, c.logon);
        EXPECT_EQ(refused.exitCode, 6);
        EXPECT_NE(refused.err.find(c.change), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("was not opened (--yes opens it anyway)"), std::string::npos)
            << refused.err;
        EXPECT_EQ(ReadBytes(file("Home")), *c.bytes);
        EXPECT_EQ(run({"--yes", "ls", "Home"}, c.logon).exitCode, 0);  // and this is what was seen now
    }
}

}  // namespace
}  // namespace keyloft::cli::testing
