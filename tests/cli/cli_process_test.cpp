// The runner of the tool's tests never waits without a bound: a program that ended (or was killed)
// after starting a process that still holds its output pipes is collected at once. A start that
// fails for a moment is tried again; one that keeps failing, or an exception beside the test,
// fails the one test and never ends the test program.
#include "cli_process.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/looping_threads.h"
#include "support/process_start.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace keyloft::cli::testing {
namespace {

// Built beside keyloft-cli.
std::filesystem::path PipeHolderProgram() {
#ifdef _WIN32
    return CliProgram().parent_path() / "pipe_holder.exe";
#else
    return CliProgram().parent_path() / "pipe_holder";
#endif
}

bool StillRunning(long id) {
#ifdef _WIN32
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#else
    const std::string stat = ReadBytes("/proc/" + std::to_string(id) + "/stat");
    const std::size_t state = stat.rfind(") ");
    return state != std::string::npos && stat.compare(state + 2, 1, "Z") != 0;
#endif
}

void EndProcess(long id) {
    if (id <= 0) return;
#ifdef _WIN32
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
#else
    ::kill(static_cast<pid_t>(id), SIGKILL);
#endif
}

TEST(CliRunner, CollectsAProgramWhoseOutputPipesOutliveIt) {
    constexpr int kKill = 9;
    for (const std::string mode : {"end", "wait"}) {
        SCOPED_TRACE(mode);
        TempFolder temp;
        const std::filesystem::path sleeperFile = temp.path() / "sleeper";
        CliProcess holder(PipeHolderProgram(), {mode, Utf8(sleeperFile)}, "input\n", temp.path());
        for (int tries = 0; tries < 1000 && !std::filesystem::exists(sleeperFile); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));  // at most 10 s for the start
        }
        const long sleeper = std::stol("0" + ReadBytes(sleeperFile));
        if (mode == "wait") holder.kill(kKill);
        const RunResult r = holder.finish();
        EXPECT_TRUE(StillRunning(sleeper)) << "the runner waited for the pipes' end";
        EndProcess(sleeper);
        EXPECT_GT(sleeper, 0);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.out, "started\nsleeper " + std::to_string(sleeper) + "\n");
        EXPECT_EQ(r.err, "started\n");
        if (mode == "wait") {
            EXPECT_EQ(r.signal, kKill);
        } else {
            EXPECT_EQ(r.exitCode, 0);
        }
    }
}

#ifdef _WIN32
constexpr int kTransient = 1359;  // ERROR_INTERNAL_ERROR, as Wine gives it under load
constexpr int kLasting = 2;       // ERROR_FILE_NOT_FOUND
#else
constexpr int kTransient = EAGAIN;
constexpr int kLasting = ENOENT;
#endif

// The messages of the failures that `run` reports on any thread, kept out of the test's result.
std::vector<std::string> FailuresOf(const std::function<void()>& run) {
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
        run();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i) messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}

TEST(StartRetries, TransientFailuresAreTriedAgainUpToTheLimit) {
    const struct {
        const char* what;
        int failures, error, tries;
        bool started;
    } cases[] = {
        {"at once", 0, kTransient, 1, true},
        {"after three transient failures", 3, kTransient, 4, true},
        {"transient failures past the limit", 100, kTransient, 5, false},
        {"a lasting failure", 100, kLasting, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int calls = 0;
        const keyloft::testing::StartOutcome outcome =
            keyloft::testing::StartWithRetries([&] { return ++calls <= c.failures ? c.error : 0; },
                                               {.attempts = 5,
                                                .firstPause = std::chrono::milliseconds(1),
                                                .longestPause = std::chrono::milliseconds(2)});
        EXPECT_EQ(calls, c.tries);
        EXPECT_EQ(outcome.tries, c.tries);
        EXPECT_EQ(outcome.started(), c.started);
        EXPECT_EQ(outcome.error, c.started ? 0 : c.error);
    }
}

TEST(CliRunner, AStartThatKeepsFailingFailsTheTestNamingTheProgramAndTheError) {
    TempFolder temp;
    const struct {
        int faults;
        bool runs;
    } cases[] = {{3, true}, {8, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.faults) + " failed starts");
        RunResult r;
        const std::vector<std::string> failures = FailuresOf([&] {
            const keyloft::testing::ScopedStartFaults faults(c.faults, kTransient);
            r = RunCli({"--version"}, std::nullopt, temp.path());
        });
        if (c.runs) {
            EXPECT_TRUE(failures.empty()) << failures.front();
            EXPECT_EQ(r.exitCode, 0) << r.err;
        } else {
            ASSERT_EQ(failures.size(), 1u);
            EXPECT_EQ(r.exitCode, -1);
            const std::string named = CliProgram().filename().string() + " could not be started: ";
            EXPECT_EQ(r.err.rfind(named, 0), 0u) << r.err;
            EXPECT_NE(r.err.find(": error " + std::to_string(kTransient)), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(" after 8 tries"), std::string::npos) << r.err;
            EXPECT_NE(failures[0].find(r.err), std::string::npos) << failures[0];
        }
    }
}

TEST(CliRunner, ThreadsBesideATestAreJoinedOnEveryWayOut) {
    std::atomic<int> rounds{0};
    // An exception in a thread fails the test; one in the test itself leaves through the threads'
    // scope: neither may end the program.
    const std::vector<std::string> failures = FailuresOf([&] {
        keyloft::testing::LoopingThreads threads(2, [&](int index) {
            ++rounds;
            if (index == 1) throw std::runtime_error("boom");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        try {
            keyloft::testing::LoopingThreads more(
                2, [&](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
            throw std::runtime_error("the test's own");
        } catch (const std::runtime_error&) {
        }
        while (rounds < 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("thread 1 beside the test ended with: boom"), std::string::npos)
        << failures[0];
}

}  // namespace
}  // namespace keyloft::cli::testing
