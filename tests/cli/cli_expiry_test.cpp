// Expiry dates through keyloft-cli: what is stored for each accepted form under a day-first and a
// month-first locale, and which entries ls marks as due.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <stdlib.h>
#include <time.h>

#include <cstdio>
#include <optional>
#include <string>

#include "cli_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::cli::testing {
namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

void UnsetVariable(const char* name) {
#ifdef _WIN32
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

// Sets a locale variable for the programs the test starts, and puts the old value back.
class LocaleVariable {
  public:
    LocaleVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        SetVariable(name, value);
    }
    ~LocaleVariable() {
        if (old_)
            SetVariable(name_, old_->c_str());
        else
            UnsetVariable(name_);
    }
    LocaleVariable(const LocaleVariable&) = delete;
    LocaleVariable& operator=(const LocaleVariable&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Today plus `days` in local time, as yyyy-MM-dd.
std::string IsoDaysFromToday(int days) {
    const time_t now = time(nullptr);
    tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    local.tm_mday += days;
    local.tm_hour = 12;  // clear of daylight-saving shifts
    mktime(&local);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

class CliExpiry : public Cli {
  protected:
    // Adds an entry with this expiry text and returns what the profile stores (nothing when refused).
    std::optional<std::string> stored(const std::string& typed) {
        const RunResult r =
            run({"add", "Home", "--user-code", "u", "--generate", "--expiry", typed}, kDefaultPassword);
        if (r.exitCode != 0) {
            EXPECT_NE(r.err.find("  Enter a valid Expiry Date!"), std::string::npos) << r.err;
            return std::nullopt;
        }
        const nlohmann::json entries = exportJson("Home");
        return entries.back()["expiryDate"].get<std::string>();
    }
};

TEST_F(CliExpiry, EachFormIsStoredAsTheRulesSay) {
    create("Home");
    struct Case {
        const char* typed;
        std::optional<std::string> dayFirst, monthFirst;
    };
    const Case cases[] = {
        {"12/05", "12/05", "12/05"},
        {" 04/30 ", "04/30", "04/30"},
        {"2027-1-5", "2027-01-05", "2027-01-05"},
        {"3/4/2027", "2027-04-03", "2027-03-04"},
        {"3.4.27", "2027-04-03", "2027-03-04"},
        {"15/01/2024", "2024-01-15", "2024-01-15"},
        {"12/19/2003", "2003-12-19", "2003-12-19"},
        {"1/2/30", "1930-02-01", "1930-01-02"},
        {"", "", ""},
        {"13/05", std::nullopt, std::nullopt},
        {"31/04/2027", std::nullopt, std::nullopt},
        {"soon", std::nullopt, std::nullopt},
    };
    for (const auto& [locale, monthFirst] :
         {std::pair{"de_DE.UTF-8", false}, std::pair{"en_US.UTF-8", true}}) {
        const LocaleVariable variable("LC_ALL", locale);
        for (const Case& c : cases)
            EXPECT_EQ(stored(c.typed), monthFirst ? c.monthFirst : c.dayFirst) << locale << " " << c.typed;
    }
    // LC_TIME counts when LC_ALL is not set.
    const LocaleVariable noAll("LC_ALL", "");
    const LocaleVariable lcTime("LC_TIME", "en_US.UTF-8");
    EXPECT_EQ(stored("3/4/2027"), "2027-03-04");
}

TEST_F(CliExpiry, ListMarksEntriesDueWithinSevenDaysOrPast) {
    create("Home");
    const std::string in7 = IsoDaysFromToday(7), in8 = IsoDaysFromToday(8);
    for (const auto& [user, expiry] :
         {std::pair{"in7", in7}, std::pair{"in8", in8}, std::pair{"card", std::string("12/05")},
          std::pair{"future", std::string("04/37")}, std::pair{"none", std::string()}}) {
        const RunResult r =
            run({"add", "Home", "--user-code", user, "--generate", "--expiry", expiry}, kDefaultPassword);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    // A stored text that is no date (an older program's) is never due.
    {
        DirectStore direct(temp_.path());
        ASSERT_TRUE(direct.store.open().openProfile(u"Home").loaded());
        RewriteProfileFile(direct.store,
                           [](Profile& p) { p.entries.push_back(EntryOf(u"4|||word|pw||someday||")); });
    }

    RunResult r = run({"ls", "Home", "--json"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json all = nlohmann::json::parse(r.out);
    ASSERT_EQ(all.size(), 6u);
    const bool due[] = {true, false, true, false, false, false};
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i]["expiresSoon"], due[i]) << all[i]["userCode"];
        EXPECT_FALSE(all[i].contains("password"));
    }

    r = run({"ls", "Home", "--expiring", "--json"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const nlohmann::json expiring = nlohmann::json::parse(r.out);
    ASSERT_EQ(expiring.size(), 2u);
    EXPECT_EQ(expiring[0]["userCode"], "in7");
    EXPECT_EQ(expiring[0]["row"], 1);
    EXPECT_EQ(expiring[1]["userCode"], "card");
    EXPECT_EQ(expiring[1]["row"], 3);

    r = run({"ls", "Home", "--expiring"}, kDefaultPassword);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "Row\t!\tCategory\tDescription\tUser/Account Code\tPassword/PIN\tNotes\tExpiry Date\tWeb "
              "Site\tEmail\n"
              "1\t!\t\t\tin7\t**********\t\t" +
                  in7 +
                  "\t\t\n"
                  "3\t!\t\t\tcard\t**********\t\t12/05\t\t\n");
}

}  // namespace
}  // namespace keyloft::cli::testing
