// Sealed profiles of 10,000 entries with the default Argon2id limits (MODERATE): the cost of
// Argon2id alone, the rest of an open (read, check, decrypt, fill), a whole open with logon
// through the store, and a save that keeps the slots (no Argon2id).

#include <benchmark/benchmark.h>
#include <sodium.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/platform_core.h"
#include "store/profile_codec.h"
#include "store/profile_store.h"
#include "store/sealed_profile.h"
#include "support/fake_clock.h"
#include "support/profile_seeding.h"
#include "support/quick_sealing.h"
#include "support/quiet_host.h"
#include "support/record_values.h"

namespace {

using namespace keyloft;

constexpr char16_t kPassword[] = u"correct horse";

Profile LargeProfile() {
    Profile p;
    p.logonMode = kUserIdAndPassword;
    p.userId = u"benchmark";
    p.password = kPassword;
    p.answerMode = kOneAnswer;
    p.version = 1;
    for (int c = 0; c < 20; ++c) {
        p.categories.add(u"Category " + Int32Text(c));
    }
    for (int i = 0; i < 10000; ++i) {
        p.entries.push_back(Entry{u"Category " + Int32Text(i % 20), u"Account number " + Int32Text(i),
                                  u"user" + Int32Text(i), u"Pa55-" + Int32Text(i * 7919), u"a short note",
                                  u"31/12/2027", u"https://site" + Int32Text(i) + u".example",
                                  u"user" + Int32Text(i) + u"@mail.example"});
    }
    p.questions.push_back(SecurityQuestion{u"Default Question", u"opensesame"});
    return p;
}

long PeakKilobytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One Argon2id run with the default limits, as every logon of a sealed profile makes.
void BM_Argon2idModerate(benchmark::State& state) {
    if (!sealed::Ready()) {
        state.SkipWithError("libsodium");
        return;
    }
    const long before = PeakKilobytes();
    unsigned char key[32];
    unsigned char salt[crypto_pwhash_SALTBYTES] = {};
    const std::string password = "correct horse";
    for (auto _ : state) {
        if (crypto_pwhash(key, sizeof key, password.data(), password.size(), salt,
                          crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE,
                          crypto_pwhash_ALG_ARGON2ID13) != 0) {
            state.SkipWithError("out of memory");
        }
    }
    state.counters["ops"] = static_cast<double>(crypto_pwhash_OPSLIMIT_MODERATE);
    state.counters["mem_MiB"] = static_cast<double>(crypto_pwhash_MEMLIMIT_MODERATE) / (1 << 20);
    state.counters["peak_rss_growth_MiB"] = static_cast<double>(PeakKilobytes() - before) / 1024;
}
BENCHMARK(BM_Argon2idModerate)->Unit(benchmark::kMillisecond)->Iterations(3);

// The rest of an open once the data key is known: split, check the header and the check line,
// decrypt the body and fill the Profile.
void BM_OpenSealed10000WithoutArgon2id(benchmark::State& state) {
    std::unique_ptr<sealed::Keys> keys;  // the limits of the slots play no part here
    const std::string bytes =
        JoinFileLines(sealed::SealProfile(LargeProfile(), 2, keys, testing::kQuickSealing, {}));
    for (auto _ : state) {
        const std::optional<sealed::SealedFile> file =
            sealed::ParseSealedLines(SplitFileLines(bytes), testing::kQuickSealing);
        Profile loaded;
        if (!file || !sealed::OpenBody(*file, keys->dataKey, loaded, nullptr) ||
            loaded.entries.size() != 10000) {
            state.SkipWithError("open failed");
        }
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_OpenSealed10000WithoutArgon2id)->Unit(benchmark::kMillisecond);

// A sealed 10,000-entry profile on disk, made with the default limits, or with Argon2id at its
// smallest (the whole open then costs what comes beside Argon2id).
struct SealedOnDisk {
    explicit SealedOnDisk(bool smallestLimits = false) {
        path =
            std::filesystem::temp_directory_path() / ("keyloft-bench-sealed-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        settings = platform::CreateSettingsStoreIn(path / "config");
        settings->write(kSettingDatabase, path.u16string());
        files = platform::CreateHostFileSystem();
        store =
            std::make_unique<ProfileStore>(host, *files, *settings, clock, path, std::filesystem::path(),
                                           smallestLimits ? testing::kQuickSealing : sealed::DefaultLimits());
        (void)store->folder().listProfiles();  // finds the folder as the window does first
        if (!store->open().createProfile(u"Bench") || !store->open().openProfile(u"Bench").loaded() ||
            store->open().logOn({u"", u"opensesame", u""}) != LogonOutcome::LoggedOn) {
            std::abort();
        }
        const Profile large = LargeProfile();
        if (!testing::RewriteAndReload(*store,
                                       [&large](Profile& p) {
                                           p.logonMode = large.logonMode;
                                           p.userId = large.userId;
                                           p.password = large.password;
                                           p.categories = large.categories;
                                           p.entries = large.entries;
                                       })
                 .loaded() ||
            store->open().logOn({large.userId, large.password, u""}) != LogonOutcome::LoggedOn) {
            std::abort();
        }
        store->edits().setSealed(true);
        if (store->open().save().outcome != SaveOutcome::Saved) {
            std::abort();
        }
    }
    ~SealedOnDisk() {
        store.reset();
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
    keyloft::testing::QuietHost host;
    testing::FakeClock clock;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<ProfileStore> store;
};

// What the user waits for: openProfile and the logon step (one Argon2id run).
void BM_OpenAndLogOnSealed10000(benchmark::State& state) {
    SealedOnDisk disk;
    for (auto _ : state) {
        if (!disk.store->open().openProfile(u"Bench").loaded() ||
            disk.store->open().logOn({u"benchmark", kPassword, u""}) != LogonOutcome::LoggedOn ||
            disk.store->open().profile().entries.size() != 10000) {
            state.SkipWithError("open failed");
        }
    }
}
BENCHMARK(BM_OpenAndLogOnSealed10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same through the store on a file whose slots ask for Argon2id at its smallest (1 pass over
// 8 KiB, well under a millisecond): reading, checking, decrypting and filling the Profile.
void BM_OpenAndLogOnSealed10000BesideArgon2id(benchmark::State& state) {
    SealedOnDisk disk(true);
    for (auto _ : state) {
        if (!disk.store->open().openProfile(u"Bench").loaded() ||
            disk.store->open().logOn({u"benchmark", kPassword, u""}) != LogonOutcome::LoggedOn ||
            disk.store->open().profile().entries.size() != 10000) {
            state.SkipWithError("open failed");
        }
    }
}
BENCHMARK(BM_OpenAndLogOnSealed10000BesideArgon2id)->Unit(benchmark::kMillisecond);

// A save after an entry changed: the data key and the slots stay, so no Argon2id.
void BM_SaveSealed10000WithoutLogonChange(benchmark::State& state) {
    SealedOnDisk disk;
    int round = 0;
    for (auto _ : state) {
        if (!testing::Saved(testing::ChangeEntryRecord(
                *disk.store, 1, u"4|Category 0|changed " + Int32Text(++round) + u"|u|p||||"))) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SaveSealed10000WithoutLogonChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
