#include "cli/command.h"
#include "cli/date_order.h"
#include "cli/entry_output.h"
#include "cli/exit_codes.h"
#include "import/keepass_xml_writer.h"
#include "platform/owner_only_file.h"
#include "platform/terminal.h"
#include "store/expiry_date.h"

namespace keyloft::cli {
namespace {

class ExportCommand final : public Command {
  public:
    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "export", "Write every entry, passwords in clear, to standard output or a file (UTF-8)");
        AddProfileName(*command, name_);
        command
            ->add_option("--format", format_,
                         "csv (RFC 4180, with a header row), json, keepassxc (its CSV form), or\n"
                         "keepass-xml (KeePass 2 XML, which keepassxc-cli import reads)")
            ->required()
            ->check(CLI::IsMember({"csv", "json", "keepassxc", "keepass-xml"}));
        command->add_option("--output", output_,
                            "Write to this file, readable by you only, instead of standard output");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        Session session(options, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const auto& entries = session.profile().entries;
        std::string text;
        if (format_ == "json") {
            nlohmann::ordered_json array = nlohmann::ordered_json::array();
            for (std::size_t row = 1; row <= entries.size(); ++row)
                array.push_back(EntryJson(row, entries[row - 1], PasswordShown::Clear));
            text = array.dump(2) + "\n";
        } else if (format_ == "keepass-xml") {
            static const ExpiryDateReader dates(DateOrderFromEnvironment());
            KeePassXmlExport xml = WriteKeePassXml(session.profile(), dates);
            for (const std::string& warning : xml.warnings)
                Console::printError("keyloft-cli: warning: " + warning);
            text = std::move(xml.text);
        } else if (format_ == "keepassxc") {
            text = KeePassXcCsvHeader();
            for (const Entry& entry : entries) text += KeePassXcCsvRow(entry);
        } else {
            text = CsvHeader();
            for (std::size_t row = 1; row <= entries.size(); ++row) text += CsvRow(row, entries[row - 1]);
        }
        return writeOut(text);
    }

  private:
    int writeOut(const std::string& text) const {
        if (output_) {
            if (const std::optional<std::string> failure = platform::WriteOwnerOnlyFile(*output_, text)) {
                Console::printError("keyloft-cli: cannot write \"" + *output_ + "\": " + *failure);
                return kExitFailure;
            }
            return kExitOk;
        }
        if (platform::OutputIsTerminal())
            Console::printError(
                "keyloft-cli: warning: the passwords are shown in clear; --output FILE writes them "
                "to a file only you can read");
        PrintOut(text);
        return kExitOk;
    }

    std::string name_;
    std::string format_;
    std::optional<std::string> output_;
};

}  // namespace

std::unique_ptr<Command> MakeExportCommand() { return std::make_unique<ExportCommand>(); }

}  // namespace keyloft::cli
