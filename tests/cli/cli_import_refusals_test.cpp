// keyloft-cli import of files it cannot import: each is refused as a whole, before the logon, with
// what the file is and what to do; files past the import's limits are refused before they are
// held (among them a Bitwarden export nested 70,000 levels deep, which crashed the import).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "support/zip_writer.h"

namespace keyloft::cli::testing {
namespace {

using keyloft::testing::WriteZip;
using keyloft::testing::ZipMember;

struct Refused {
    const char* name;
    std::string file;  // the file's bytes, unless it is a ZIP archive of
    std::vector<ZipMember> zip;
    std::string reason;
    const char* format = nullptr;
};

std::string Repeated(const std::string& part, std::size_t times) {
    std::string all;
    all.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i) all += part;
    return all;
}

class CliImportRefusals : public CliImporting {};

TEST_F(CliImportRefusals, EachSaysWhatTheFileIsAndWhatToDo) {
    const std::string kdbxMagic("\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5", 8),
        kdbMagic("\x03\xD9\xA2\x9A\x65\xFB\x4B\xB5", 8);
    const std::string keepassHead = "<?xml version=\"1.0\"?><KeePassFile><Root><Group><Name>R</Name><Entry>";
    const std::string deepJson = R"({"encrypted": false, "items": [{"name": "x", "notes": )" +
                                 std::string(70000, '[') + std::string(70000, ']') + "}]}";
    const std::string deepXml =
        "<KeePassFile><Root>" + Repeated("<Group>", 99) + Repeated("</Group>", 99) + "</Root></KeePassFile>";
    const Refused cases[] = {
        {"no-known-column",
         "colour,size\nred,10\n",
         {},
         "the header row (colour, size) names none of the columns Keyloft reads: a title or name, a user "
         "name or "
         "login, a password, a web site or URL, notes, an e-mail address, a folder or group, an expiry date"},
        {"bitwarden-encrypted",
         R"({"encrypted": true, "passwordProtected": true, "encKeyValidation_DO_NOT_EDIT": "x", "data": "y"})",
         {},
         "it is an encrypted Bitwarden export, which only Bitwarden can open; export the vault again in the "
         "file "
         "format \"JSON\" (not \"JSON (Encrypted)\") and import that file"},
        {"kdbx",
         kdbxMagic + std::string(200, 'x'),
         {},
         "it is a KeePass database (.kdbx), which Keyloft does not open; export it as XML first with "
         "keepassxc-cli "
         "export --format xml DATABASE.kdbx > DATABASE.xml and import that XML file"},
        {"kdb",
         kdbMagic + std::string(200, 'x'),
         {},
         "it is a KeePass 1 database (.kdb), which Keyloft does not open; open it in KeePassXC or KeePass 2, "
         "save it "
         "as a .kdbx database, export that with keepassxc-cli export --format xml DATABASE.kdbx > "
         "DATABASE.xml and "
         "import that XML file"},
        {"unknown-zip",
         "",
         {{"photo.png", "\x89PNG"}, {"notes/readme.txt", "hello"}},
         "it is a ZIP archive holding none of the exports Keyloft reads (it holds photo.png, "
         "notes/readme.txt); "
         "unpack it and import the export inside, or export again as CSV"},
        {"protonpass-encrypted",
         "",
         {{"Proton Pass/data.pgp", "-----BEGIN PGP MESSAGE-----\n..."}},
         "it is encrypted with PGP (an encrypted export, such as Proton Pass's); export again without "
         "encryption "
         "and import that file"},
        {"pgp-text",
         "-----BEGIN PGP MESSAGE-----\n\nhQEMA\n-----END PGP MESSAGE-----\n",
         {},
         "it is encrypted with PGP (an encrypted export, such as Proton Pass's); export again without "
         "encryption "
         "and import that file"},
        {"zip-not-as-named",
         "",
         {{"credentials.csv", "username,title,password\nu,t,p\n"}},
         "it is a ZIP archive holding a Dashlane CSV export, not Chrome CSV; import it with --format auto",
         "chrome"},
        {"other-xml",
         "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n",
         {},
         "it is XML, but no KeePass 2 XML export (its first element is <svg>); export from your password "
         "manager "
         "as KeePass 2 XML or CSV"},
        {"keepass-protected",
         keepassHead + "<String><Key>Password</Key><Value Protected=\"True\">q83v</Value></String>" +
             "</Entry></Group></Root></KeePassFile>",
         {},
         "it holds values encrypted with its database's own key (marked Protected=\"True\"), which only that "
         "database can read; export the database to XML again with keepassxc-cli export --format xml "
         "DATABASE.kdbx and import that file"},
        {"xml-entities",
         "<?xml version=\"1.0\"?><!DOCTYPE KeePassFile [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;\">]>"
         "<KeePassFile><Root/></KeePassFile>",
         {},
         "it declares a document type, which no KeePass 2 XML export has"},
        {"binary",
         std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16),
         {},
         "it is not a text file (it holds binary data) nor a ZIP archive; import an export written as CSV, "
         "JSON or "
         "XML"},
        {"utf-16",
         std::string("\xFF\xFEn\0a\0m\0e\0", 10),
         {},
         "it is UTF-16 text; save it as UTF-8 (in a spreadsheet: \"CSV UTF-8\") and import that file"},
        // Past the limits.
        {"json-70000-deep",
         deepJson,
         {},
         "its JSON is nested more than 100 levels deep, deeper than any export; the file is damaged or is "
         "not an "
         "export"},
        {"xml-101-deep",
         deepXml,
         {},
         "its XML is nested more than 100 levels deep, deeper than any export; the file is damaged or is not "
         "an "
         "export"},
        {"100001-rows",
         "name,username\n" + Repeated("a,b\n", 100001),
         {},
         "it holds more than 100000 entries; import it in parts of that many or fewer"},
        {"10001-columns", Repeated("c,", 10000) + "c\n", {}, "line 1: the row has more than 10000 columns"},
        {"bitwarden-100001-items",
         "{\"items\": [" + Repeated("{},", 100000) + "{}]}",
         {},
         "it holds more than 100000 entries; import it in parts of that many or fewer"},
        {"keepass-100001-entries",
         "<KeePassFile><Root><Group>" + Repeated("<Entry/>", 100001) + "</Group></Root></KeePassFile>",
         {},
         "it holds more than 100000 entries; import it in parts of that many or fewer"},
        {"zip-unpacking-past-64-MiB",
         "",
         {{"credentials.csv", "username,username2,title\n" + std::string((std::size_t{64} << 20) + 1, 'x')}},
         "\"credentials.csv\" unpacks to more than 64 MiB, more than any export"},
    };
    create("Home");
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = temp_.path() / (std::string(c.name) + ".export");
        if (c.zip.empty()) {
            WriteBytes(file, c.file);
        } else {
            WriteZip(file, c.zip);
        }
        // No logon is given: each is refused before the profile is opened.
        std::vector<std::string> args = {"import", "Home", Utf8(file)};
        if (c.format != nullptr) args.insert(args.end(), {"--format", c.format});
        const RunResult r = run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "keyloft-cli: cannot import \"" + Utf8(file) + "\": " + c.reason + "\n");
    }
    EXPECT_EQ(exportJson("Home"), nlohmann::json::array());
}

}  // namespace
}  // namespace keyloft::cli::testing
