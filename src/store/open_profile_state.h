#pragma once
// What the files of the open profile and its edits share: its state, the messages and log names
// more than one of them uses, and small helpers for paths and messages. open_profile.cpp holds the
// state's life; profile_opening.cpp opens and creates; profile_loading.cpp takes and reads the
// file; profile_logon.cpp checks the logon; profile_saving.cpp writes; profile_edits.cpp and
// profile_conflicts.cpp change the profile and merge conflict copies.

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/bounded_lines.h"
#include "store/file_system.h"
#include "store/profile_codec.h"
#include "store/open_profile.h"
#include "store/profile_folder.h"
#include "store/sealed_profile.h"
#include "store/store_detail.h"

namespace keyloft {

struct OpenProfile::State {
    State(ProfileFolder& d, UiHost& h, FileSystem& f, SettingsStore& s, const Clock& c, sealed::Limits limits)
        : folder(d), host(h), files(f), settings(s), clock(c), sealingLimits(limits) {}

    ProfileFolder& folder;  // where the profile's file is, and the error log
    UiHost& host;
    FileSystem& files;
    SettingsStore& settings;
    const Clock& clock;
    sealed::Limits sealingLimits;  // Argon2id limits of new key slots

    std::u16string profileFileName;  // "<name>.dat"
    std::filesystem::path profilePath;
    std::unique_ptr<ReadableFile> held;
    double runningLength = 0;
    std::int32_t lineCount = 0;
    std::u16string lastErrorNumber;
    std::u16string lastErrorText;
    ErrorInfo lastError;
    int retryCounter = 0;
    // A replaced file the user chose to open: the same file loaded again is not asked about again.
    std::filesystem::path acceptedPath;
    std::optional<std::pair<bool, std::int32_t>> acceptedFile;  // sealed, version
    // Where the open profile stands. Ended is final; Forgotten lasts until a profile is loaded again.
    enum class Phase {
        Nothing,    // no profile is loaded
        Loaded,     // the file is loaded and held, nobody is logged on
        LoggedOn,   // loaded and logged on
        Reloading,  // logged on, and the file is read again (or that read failed): still a session
        Forgotten,  // forget() ran: nothing is saved until a profile is loaded again
        Ended,      // the caller was told to end the program: nothing more is done
    };
    Phase phase = Phase::Nothing;
    bool loaded() const { return phase == Phase::Loaded || phase == Phase::LoggedOn; }
    bool loggedOn() const { return phase == Phase::LoggedOn || phase == Phase::Reloading; }
    bool ended() const { return phase == Phase::Ended; }
    // A load starts: nothing is loaded until it succeeds, and a session stays one meanwhile.
    void loadStarts() {
        if (phase == Phase::LoggedOn)
            phase = Phase::Reloading;
        else if (phase == Phase::Loaded)
            phase = Phase::Nothing;
    }
    // The load succeeded: the file is loaded, in the session that was going on (if any). A forgotten
    // profile stays forgotten while a load of it fails.
    void loadSucceeds() {
        if (phase == Phase::Reloading)
            phase = Phase::LoggedOn;
        else if (phase != Phase::Ended)
            phase = Phase::Loaded;
    }
    // The logon step succeeded (on a loaded file) or the session ends (loaded or not).
    void setLoggedOn(bool on) {
        if (phase == Phase::Ended) return;
        if (on)
            phase = Phase::LoggedOn;
        else if (phase == Phase::LoggedOn)
            phase = Phase::Loaded;
        else if (phase == Phase::Reloading)
            phase = Phase::Nothing;
    }
    // What the last load found wrong with the file's content. A load clears what it looks at anew:
    // Damaged when it starts; Empty as well when it reads the file from its name; DamagedFile once
    // the file can be read from its start.
    enum class LoadFault {
        None,
        Empty,        // a file without a single line
        Damaged,      // the load failed on the file's content, not on reading it
        DamagedFile,  // a damaged sealed file or a line past the cap
    };
    LoadFault fault = LoadFault::None;
    void markDamaged() {
        if (fault != LoadFault::DamagedFile) fault = LoadFault::Damaged;
    }
    // Sealed form: the form saves write, the loaded file's header while its body is still closed
    // (before logon), and the data key and slots once it is open.
    bool seal = false;
    // The present password has been in a file of the usual form (loaded or saved so): sealing
    // needs a new one. A sealed file that is loaded does not say, and counts as not.
    bool readablePassword = false;
    std::uint64_t openNumber = 0;  // counts the opens and forgets: a plan of copies is for one session
    bool backupToProve = false;    // a newer sealed backup beside the sound profile, tried at logon
    bool formChosen = false;       // the user chose the form saves write (setSealed) since the open
    // The version of the newest conflict copy being merged: the merged file is written after it.
    std::optional<std::int32_t> versionFloor;
    std::optional<sealed::SealedFile> lockedFile;
    // What the held file held when it was loaded or written: a save that finds anything else in it
    // (another program wrote into it in place, the same version or not) writes nothing over it.
    std::optional<FileFingerprint> fingerprint;
    // What the system showed of the held file when it was loaded or written (before the load read it).
    std::optional<FileStamp> stamp;
    // A reload that opens a sealed file only with this session's data key, and only while its logon
    // slot is the one logged on with; otherwise the body stays closed and the logon is asked again.
    bool keysOnly = false;
    std::unique_ptr<sealed::Keys> sealedKeys;
    Profile profile;
    StoreReport report;  // what the running operation reports to its caller

    // A load or save that stopped at the question about a replaced file until its caller answers
    // (the report goes on with the answer). Nothing is saved or logged on with meanwhile.
    enum class Awaiting { Nothing, Open, Reload, Save };
    Awaiting awaiting = Awaiting::Nothing;
    MessageRequest awaitedQuestion;
    // Keeps the question, when there is one, as what the operation waits on; true when it waits.
    bool awaitAnswer(std::optional<MessageRequest> question, Awaiting operation) {
        if (!question) return false;
        awaiting = operation;
        awaitedQuestion = std::move(*question);
        return true;
    }
    bool sameLogonAfterReload = false;  // Save: the file read again has the logon details of before

    std::u16string profileName;  // name of the profile last opened

    void show(MessageRequest request) { report.messages.push_back(std::move(request)); }
    // Starts the report of a public operation; returns it, leaving none behind, at its end.
    void beginReport() { report = StoreReport{}; }
    StoreReport takeReport() { return std::exchange(report, StoreReport{}); }

    // What a load does when a record fails its sum check: tell, log, have the session locked, and
    // let go of the file so that the load fails at its next read.
    void sumCheckFailed();
    // A line the cipher rejects: tell, log and have the program ended; nothing more is done.
    void decryptRejected();
    void keepError(const ErrorInfo& error) {
        lastError = error;
        lastErrorNumber = ErrorNumberText(error.number);
        lastErrorText = error.description;
    }
};

}  // namespace keyloft
