#pragma once
// A private pcscd with virtual readers, for tests that talk to the real resource manager.
//
// The test process must run inside the mount namespace that run-in-namespace.sh sets up (tmpfs on
// /run/pcscd and /usr/lib/pcsc/drivers); Start refuses to run a daemon elsewhere, so a pcscd of
// the machine and its readers are never touched.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace pcscdtest {

// One virtual reader: pcscd's name for it is `name` followed by " 00 00". `state` holds the key
// lines of its scenario section (`card = present`, `atr = ...`); the harness adds the section line.
struct VirtualReader {
    std::string name;
    std::string state;
};

// What a status query reports about one reader.
struct ReaderStatus {
    std::uint32_t eventState = 0;
    std::vector<std::uint8_t> atr;
};

class PcscdHarness {
public:
    static constexpr std::chrono::milliseconds kStartTimeout{5000};
    static constexpr std::chrono::milliseconds kChangeTimeout{5000};

    PcscdHarness();
    ~PcscdHarness();  // stops the daemon and removes the directory
    PcscdHarness(const PcscdHarness&) = delete;
    PcscdHarness& operator=(const PcscdHarness&) = delete;

    // Writes the directory (driver copies, state files, reader.conf), starts `pcscd -f` and waits
    // until it lists every reader, each with a settled card state. False with Error() set.
    bool Start(const std::vector<VirtualReader>& readers);

    // SIGTERM to the daemon started here, then waits for it to end. True when it ended in time
    // (or none ran).
    bool Stop();

    // Replaces the state of reader `index` atomically (temp file + rename).
    bool SetState(std::size_t index, const std::string& state);

    // Polls the daemon until `accept` holds for reader `index`; false (with Error()) on time-out.
    bool WaitFor(std::size_t index, const std::function<bool(const ReaderStatus&)>& accept,
                 std::chrono::milliseconds timeout = kChangeTimeout);
    bool WaitForCard(std::size_t index, const std::vector<std::uint8_t>& atr);
    bool WaitForEmpty(std::size_t index);

    // The reader names as the daemon listed them at start, in its order.
    const std::vector<std::string>& ReaderNames() const { return m_names; }

    const std::string& Directory() const { return m_dir; }
    // The last failure, with the daemon's output appended when it helps.
    const std::string& Error() const { return m_error; }
    // Everything the daemon has written so far.
    std::string DaemonOutput() const;

private:
    bool Fail(const std::string& what);
    bool WriteFileAtomically(const std::string& path, const std::string& text);
    bool WaitUntilListed(std::size_t count);
    bool WaitUntilSettled(std::size_t index);
    bool Query(std::size_t index, ReaderStatus& status);
    std::string StatePath(std::size_t index) const;

    std::string m_dir;
    std::vector<VirtualReader> m_readers;
    std::vector<std::string> m_names;
    pid_t m_pid = -1;
    std::string m_error;
};

// True inside the mount namespace of run-in-namespace.sh. Tests that talk to the resource manager
// without starting a daemon check it, so that they never reach a pcscd of the machine.
bool InPrivateNamespace();

// Path of the driver library (the build sets it; the environment variable KARDOSKOP_VREADER
// overrides it).
std::string DriverPath();

}  // namespace pcscdtest
