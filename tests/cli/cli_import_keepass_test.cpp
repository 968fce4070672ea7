// The way out to KeePassXC: export --format keepass-xml, read by keepassxc-cli import (where
// Debian's keepassxc is installed), and KeePassXC's own XML export of that database read back by
// import, with nothing lost that both can hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace keyloft::cli::testing {
namespace {

// The entries in an order of their own (a KeePass database keeps them by group), and the sorted
// category names.
nlohmann::json Sorted(nlohmann::json entries) {
    for (nlohmann::json& entry : entries) entry.erase("row");
    std::sort(entries.begin(), entries.end(), [](const nlohmann::json& a, const nlohmann::json& b) {
        return a["description"] < b["description"];
    });
    return entries;
}

std::vector<std::string> SortedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class CliKeePassXml : public CliImporting {
  protected:
    // A profile with nested and empty categories, text XML must escape, blanks kept in the e-mail
    // address, both forms of expiry date.
    void makeSource() {
        create("Source");
        for (const char* category : {"Work", "Work/Email", "Bank"})
            ASSERT_EQ(run({"categories", "Source", "add", category}, kDefaultPassword).exitCode, 0);
        const struct {
            std::vector<std::string> options;
            const char* password;
        } entries[] = {
            {{"--category", "Work/Email", "--description", "Caf\xC3\xA9 <\"main\"> & co", "--user-code",
              "alice", "--notes", "line one\nline two", "--expiry", "2027-01-31", "--web",
              "https://x.example/?a=1&b=2", "--email", " a@b.example "},
             "p&w<1>"},
            {{"--description", "Card", "--user-code", "4111", "--expiry", "12/27"}, "123"},
            {{"--category", "Work", "--description", "Plain", "--user-code", "bob"}, "pw"},
        };
        for (const auto& e : entries) {
            std::vector<std::string> args = {"add", "Source"};
            args.insert(args.end(), e.options.begin(), e.options.end());
            ASSERT_EQ(run(args, std::string(kDefaultPassword) + e.password + "\n").exitCode, 0);
        }
    }
    // What comes back: the card form of a date is a day in KeePass.
    nlohmann::json expectedBack() {
        nlohmann::json entries = exportJson("Source");
        for (nlohmann::json& entry : entries)
            if (entry["expiryDate"] == "12/27") entry["expiryDate"] = "2027-12-01";
        return Sorted(entries);
    }
    void importsBackTheSame(const std::string& profile, const std::filesystem::path& xml) {
        create(profile);
        const RunResult r = import(profile, nullptr, xml);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "Read as KeePass 2 XML: 3 entries.\nImported 3 entries and 3 new categories.\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Sorted(exportJson(profile)), expectedBack());
        EXPECT_EQ(SortedLines(categories(profile)), SortedLines(categories("Source")));
    }
};

TEST_F(CliKeePassXml, ExportedXmlImportsBackTheSame) {
    makeSource();
    const std::filesystem::path xml = temp_.path() / "source.xml";
    const RunResult r =
        run({"export", "Source", "--format", "keepass-xml", "--output", Utf8(xml)}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string text = ReadBytes(xml);
    EXPECT_TRUE(
        text.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<KeePassFile>"));
    EXPECT_NE(text.find("<Value ProtectInMemory=\"True\">p&amp;w&lt;1&gt;</Value>"), std::string::npos);
    EXPECT_NE(text.find("<Key>Email</Key>"), std::string::npos);
#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(xml.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
    importsBackTheSame("Back", xml);
}

#ifndef _WIN32
std::filesystem::path OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::error_code error;
        if (!folder.empty() &&
            std::filesystem::is_regular_file(std::filesystem::path(folder) / program, error))
            return std::filesystem::path(folder) / program;
    }
    return {};
}

TEST_F(CliKeePassXml, AProfileMovesToKeePassXcAndBack) {
    const std::filesystem::path keepassxc = OnPath("keepassxc-cli");
    if (keepassxc.empty()) GTEST_SKIP() << "keepassxc-cli is not installed (Debian's keepassxc)";
    makeSource();
    const std::filesystem::path xml = temp_.path() / "source.xml", database = temp_.path() / "moved.kdbx",
                                back = temp_.path() / "back.xml";
    ASSERT_EQ(run({"export", "Source", "--format", "keepass-xml", "--output", Utf8(xml)}, kDefaultPassword)
                  .exitCode,
              0);

    // keepassxc-cli import XML DATABASE asks for the new database's password twice.
    RunResult r = CliProcess(keepassxc, {"import", "-q", "-p", "-t", "100", Utf8(xml), Utf8(database)},
                             "database password\ndatabase password\n", config())
                      .finish();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = CliProcess(keepassxc, {"export", "-q", "--format", "xml", Utf8(database)}, "database password\n",
                   config())
            .finish();
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_NE(r.out.find("<KeePassFile>"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("<LastModificationTime>"),
              std::string::npos);  // written by KeePassXC, not by export
    WriteBytes(back, r.out);
    importsBackTheSame("RoundTrip", back);
}
#endif

}  // namespace
}  // namespace keyloft::cli::testing
