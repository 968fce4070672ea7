// keyloft-cli for daily use, through the binary: finding entries with ls --search and rating a
// generated password with generate --strength.
#include <gtest/gtest.h>

#include <string>

#include "cli_fixture.h"

namespace keyloft::cli::testing {
namespace {

// The user codes listed, one per line, from ls's tab-separated rows.
std::string UserCodes(const std::string& listing) {
    std::string codes;
    std::size_t line = listing.find('\n') + 1;  // after the heading
    while (line < listing.size()) {
        const std::size_t end = listing.find('\n', line);
        std::size_t field = line;
        for (int tab = 0; tab < 4; ++tab) field = listing.find('\t', field) + 1;
        codes += listing.substr(field, listing.find('\t', field) - field) + "\n";
        line = end + 1;
    }
    return codes;
}

TEST_F(Cli, LsSearchFindsPartsOfTheTextFieldsLetterCaseAndAccentsAside) {
    create("Home");
    ASSERT_EQ(run({"categories", "Home", "add", "Food"}, kDefaultPassword).exitCode, 0);
    const std::vector<std::vector<std::string>> entries = {
        {"--user-code", "anna", "--description", "Caf\xC3\xA9 Central", "--category", "Food"},
        {"--user-code", "ben", "--notes", "met at the CAFE"},
        {"--user-code", "cafe-owner", "--category", "Food"},
        {"--user-code", "dora", "--web", "https://example.org"},
    };
    for (std::vector<std::string> options : entries) {
        options.insert(options.begin(), {"add", "Home"});
        ASSERT_EQ(run(options, "opensesame\npw\n").exitCode, 0);
    }
    struct Case {
        std::vector<std::string> options;
        const char* listed;
    };
    const Case cases[] = {
        {{"--search", "cafe"}, "anna\nben\ncafe-owner\n"},
        {{"--search", "CAF\xC3\x89"}, "anna\nben\ncafe-owner\n"},
        {{"--search", "cafe", "--category", "Food"}, "anna\ncafe-owner\n"},
        {{"--search", "example.ORG"}, "dora\n"},
        {{"--search", "pw"}, ""},  // passwords are not searched
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"ls", "Home"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const RunResult r = run(args, kDefaultPassword);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(UserCodes(r.out), c.listed) << c.options[1];
    }
}

TEST_F(Cli, GenerateStrengthRatesThePasswordOnTheNextLine) {
    // Four random characters are always weak, and the line says why; forty with symbols are strong.
    for (const std::string length : {"4", "40"}) {
        const RunResult r = run({"generate", "--strength", "--symbols", "--length", length});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::size_t end = r.out.find('\n');
        ASSERT_EQ(end, std::stoul(length)) << r.out;  // the password alone on its line
        const std::string rating = r.out.substr(end + 1);
        if (length == "4") {
            EXPECT_EQ(rating.rfind("Strength: ", 0), 0u) << rating;
            EXPECT_NE(rating.find(" of 4). "), std::string::npos) << rating;
            EXPECT_EQ(rating.find("(3 of 4)"), std::string::npos);
            EXPECT_EQ(rating.find("(4 of 4)"), std::string::npos);
        } else {
            EXPECT_EQ(rating, "Strength: Strong (4 of 4)\n");
        }
    }
    EXPECT_EQ(run({"generate"}).out.size(), 8u);  // without --strength: the password only
}

}  // namespace
}  // namespace keyloft::cli::testing
