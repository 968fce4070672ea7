// Encoding and decoding a 10,000-entry profile, and loading and saving it through the real file
// system (no contention, so no retry waits).

#include <cstdlib>
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/platform_core.h"
#include "store/profile_codec.h"
#include "store/profile_store.h"
#include "support/fake_clock.h"
#include "support/profile_seeding.h"
#include "support/quiet_host.h"
#include "support/record_values.h"

using keyloft::testing::RewriteAndReload;

namespace {

using namespace keyloft;

Profile LargeProfile() {
    Profile p;
    p.logonMode = kUserIdAndPassword;
    p.userId = u"benchmark";
    p.password = u"correct horse";
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

void BM_EncodeProfile10000(benchmark::State& state) {
    const Profile p = LargeProfile();
    for (auto _ : state) {
        EncodedProfile encoded = EncodeProfile(p, 2, u"8.27", false);
        benchmark::DoNotOptimize(encoded.lines.data());
    }
}
BENCHMARK(BM_EncodeProfile10000)->Unit(benchmark::kMillisecond);

void BM_DecodeProfile10000(benchmark::State& state) {
    const EncodedProfile encoded = EncodeProfile(LargeProfile(), 2, u"8.27", false);
    for (auto _ : state) {
        Profile loaded;
        ProfileDecoder decoder(loaded);
        for (const std::string& line : encoded.lines) {
            benchmark::DoNotOptimize(decoder.addLine(line));
        }
        if (!decoder.trailerMatches()) {
            state.SkipWithError("trailer mismatch");
        }
    }
}
BENCHMARK(BM_DecodeProfile10000)->Unit(benchmark::kMillisecond);

struct TempDir {
    TempDir() {
        path = std::filesystem::temp_directory_path() / ("keyloft-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path operator/(const char* name) const { return path / name; }
    std::filesystem::path path;
};

struct DiskFixture {
    DiskFixture() {
        settings = platform::CreateSettingsStoreIn(temp / "config");
        settings->write(kSettingDatabase, temp.path.u16string());
        files = platform::CreateHostFileSystem();
        store = std::make_unique<ProfileStore>(host, *files, *settings, clock, temp.path);
        (void)store->folder().listProfiles();  // finds the folder as the window does first
        if (!store->open().createProfile(u"Bench") || !store->open().openProfile(u"Bench").loaded()) {
            std::abort();
        }
        const Profile large = LargeProfile();
        if (!RewriteAndReload(*store, [&large](Profile& p) {
                 p.categories = large.categories;
                 p.entries = large.entries;
             }).loaded()) {
            std::abort();
        }
        host.shown.clear();
        host.waits = 0;
    }
    TempDir temp;
    keyloft::testing::QuietHost host;
    testing::FakeClock clock;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<ProfileStore> store;
};

void BM_LoadProfile10000FromDisk(benchmark::State& state) {
    DiskFixture fixture;
    for (auto _ : state) {
        (void)fixture.store->open().reload();
        if (!fixture.store->open().loaded() || fixture.store->open().profile().entries.size() != 10000) {
            state.SkipWithError("load failed");
        }
    }
}
BENCHMARK(BM_LoadProfile10000FromDisk)->Unit(benchmark::kMillisecond);

void BM_SaveProfile10000ToDisk(benchmark::State& state) {
    DiskFixture fixture;
    for (auto _ : state) {
        if (fixture.store->open().save().outcome != SaveOutcome::Saved) {
            state.SkipWithError("save failed");
        }
    }
    if (fixture.host.waits != 0 || !fixture.host.shown.empty()) {
        state.SkipWithError("the save waited");
    }
}
BENCHMARK(BM_SaveProfile10000ToDisk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
