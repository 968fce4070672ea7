#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"
#include "platform/platform_core.h"
#include "store/profile_verifier.h"

namespace keyloft::cli {
namespace {

class VerifyCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "verify",
            "Check profile files completely without a logon (key line, every record's field count and sum,\n"
            "trailer count and total; of a sealed file its header, framing and check line, as its records\n"
            "need the logon); prints \"FILE: ok (...)\" or \"FILE: \" and the first fault");
        command->add_option("FILE", files_, "Profile files")->required();
        return command;
    }
    int run(const GlobalOptions&, Console&) override {
        const std::unique_ptr<FileSystem> fileSystem = platform::CreateHostFileSystem();
        int result = kExitOk;
        for (const std::string& file : files_) {
            VerifyReport report = VerifyProfileFile(*fileSystem, PathFromUtf8(file));
            // The loader accepts an empty file, but no profile was ever saved empty: after a copy or
            // a sync it means the data is gone.
            if (report.ok && report.lineCount == 0) {
                report.ok = false;
                report.fault = u"the file is empty (no key line, no records)";
            }
            if (report.ok && report.sealed) {
                PrintOut(file + ": ok (sealed, " + std::to_string(report.lineCount) + " lines, version " +
                         (report.version ? std::to_string(*report.version) : std::string("none")) + ", " +
                         std::to_string(report.slotCount) +
                         " key slots; header and check line verified, the records need the logon)\n");
            } else if (report.ok) {
                PrintOut(file + ": ok (" + std::to_string(report.lineCount) + " lines, version " +
                         (report.version ? std::to_string(*report.version) : std::string("none")) + ", " +
                         std::to_string(report.entryCount) + " entries)\n");
            } else {
                PrintOut(file + ": " + Utf16ToUtf8(report.fault) + "\n");
                result = kExitFailure;
            }
        }
        return result;
    }

  private:
    std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<Command> MakeVerifyCommand() { return std::make_unique<VerifyCommand>(); }

}  // namespace keyloft::cli
