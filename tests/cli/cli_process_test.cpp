// The runner of the tool's tests never waits without a bound: a program that ended (or was killed)
// after starting a process that still holds its output pipes is collected at once.
#include "cli_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

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

}  // namespace
}  // namespace keyloft::cli::testing
