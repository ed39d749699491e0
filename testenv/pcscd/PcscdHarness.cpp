#include "PcscdHarness.h"

#include "Scenario.h"

#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pcscdtest {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(10);
constexpr auto kStopTimeout = std::chrono::milliseconds(5000);
constexpr std::size_t kMaxAtr = 33;  // pcscd's limit; the driver clamps to it

std::string FromEnv(const char* name, const char* fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string Hex(long code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code) & 0xFFFFFFFFUL);
    return text;
}

// True when `mountPoint` is a tmpfs of this process's mount namespace. On a plain system neither
// directory is a mount point of its own, so this tells whether the test runs inside the namespace
// of run-in-namespace.sh.
bool IsTmpfsMount(const std::string& mountPoint)
{
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point, field;
        fields >> id >> parent >> device >> root >> point;
        if (point != mountPoint)
            continue;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        if (type == "tmpfs")
            return true;
    }
    return false;
}

// The state file of a reader: its scenario section.
std::string StateFileText(const VirtualReader& reader)
{
    return "[reader " + reader.name + "]\n" + reader.state;
}

bool ReadFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    text = out.str();
    return true;
}

// The names of a reader multi-string. (Not WalkReaderNames: the bed does not lean on the code that
// it tests.)
std::vector<std::string> SplitNames(const char* list, std::size_t length)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (list[i] != '\0')
            continue;
        if (i > start)
            names.emplace_back(list + start, i - start);
        start = i + 1;
    }
    return names;
}

}  // namespace

bool InPrivateNamespace()
{
    return IsTmpfsMount("/run/pcscd") && IsTmpfsMount("/usr/lib/pcsc/drivers");
}

std::string DriverPath()
{
    return FromEnv("KARDOSKOP_VREADER", KARDOSKOP_VREADER_PATH);
}

PcscdHarness::PcscdHarness() = default;

PcscdHarness::~PcscdHarness()
{
    Stop();
    if (!m_dir.empty() && std::getenv("KARDOSKOP_KEEP_PCSCD_DIR") == nullptr) {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
}

bool PcscdHarness::Fail(const std::string& what)
{
    m_error = what;
    const std::string output = DaemonOutput();
    if (!output.empty())
        m_error += "\n--- pcscd output (" + m_dir + "/pcscd.log) ---\n" + output;
    return false;
}

std::string PcscdHarness::DaemonOutput() const
{
    std::string text;
    if (!m_dir.empty())
        ReadFile(m_dir + "/pcscd.log", text);
    return text;
}

std::string PcscdHarness::StatePath(std::size_t index) const
{
    return m_dir + "/reader" + std::to_string(index) + ".state";
}

bool PcscdHarness::WriteFileAtomically(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            return Fail("cannot write " + temp);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0)
        return Fail("cannot rename " + temp + ": " + std::strerror(errno));
    return true;
}

bool PcscdHarness::Start(const std::vector<VirtualReader>& readers)
{
    if (m_pid > 0)
        return Fail("pcscd already started");
    if (!InPrivateNamespace())
        return Fail("not inside the private mount namespace: run the tests through "
                    "testenv/pcscd/run-in-namespace.sh");

    const std::string driver = DriverPath();
    if (!fs::is_regular_file(driver))
        return Fail("driver library not found: " + driver);

    if (m_dir.empty()) {
        std::string pattern = (fs::temp_directory_path() / "kardoskop-pcscd-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return Fail(std::string("mkdtemp: ") + std::strerror(errno));
        m_dir = pattern;
    }
    m_readers = readers;
    m_names.clear();

    // One file for all readers, so that the daemon adds them in this order; one driver copy per
    // reader, because entries that share a driver file share its globals.
    std::string conf;
    for (std::size_t i = 0; i < readers.size(); ++i) {
        const std::string library = m_dir + "/vreader" + std::to_string(i) + ".so";
        std::error_code ec;
        fs::copy_file(driver, library, fs::copy_options::overwrite_existing, ec);
        if (ec)
            return Fail("cannot copy the driver to " + library + ": " + ec.message());
        if (!SetState(i, readers[i].state))
            return false;
        conf += "FRIENDLYNAME \"" + readers[i].name + "\"\n";
        conf += "DEVICENAME " + StatePath(i) + "\n";
        conf += "LIBPATH " + library + "\n\n";
    }
    const std::string confPath = m_dir + "/reader.conf";
    if (!WriteFileAtomically(confPath, conf))
        return false;

    const std::string program = FromEnv("KARDOSKOP_PCSCD", KARDOSKOP_PCSCD_PATH);
    const std::string logPath = m_dir + "/pcscd.log";
    std::vector<std::string> args = {program, "--foreground", "--config", confPath};
    if (std::getenv("KARDOSKOP_PCSCD_DEBUG") != nullptr)
        args.push_back("--debug");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return Fail("cannot start " + program + ": " + std::strerror(rc));
    m_pid = pid;

    if (!WaitUntilListed(readers.size()))
        return false;
    for (std::size_t i = 0; i < readers.size(); ++i)
        if (!WaitUntilSettled(i))
            return false;
    return true;
}

bool PcscdHarness::WaitUntilListed(std::size_t count)
{
    const auto deadline = SteadyClock::now() + kStartTimeout;
    std::string last = "no answer";
    for (;;) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return Fail("pcscd ended during start (wait status " + std::to_string(status) + ")");
        }
        SCARDCONTEXT context = 0;
        LONG rv = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
        if (rv == SCARD_S_SUCCESS) {
            char* list = nullptr;
            DWORD length = SCARD_AUTOALLOCATE;
            rv = SCardListReaders(context, nullptr, reinterpret_cast<char*>(&list), &length);
            std::vector<std::string> names;
            if (rv == SCARD_S_SUCCESS) {
                names = SplitNames(list, length);
                SCardFreeMemory(context, list);
            }
            SCardReleaseContext(context);
            if ((rv == SCARD_S_SUCCESS || rv == SCARD_E_NO_READERS_AVAILABLE) &&
                names.size() == count) {
                m_names = names;
                return true;
            }
            last = "SCardListReaders " + Hex(rv) + ", " + std::to_string(names.size()) +
                   " of " + std::to_string(count) + " readers";
        } else {
            last = "SCardEstablishContext " + Hex(rv);
        }
        if (SteadyClock::now() >= deadline)
            return Fail("pcscd did not list its readers in time (" + last + ")");
        std::this_thread::sleep_for(kPollInterval);
    }
}

// Waits until the daemon shows the card of the initial state (a reader is listed before its
// first presence poll is done).
bool PcscdHarness::WaitUntilSettled(std::size_t index)
{
    scenario::Scenario s;
    std::string error;
    if (!scenario::Parse(StateFileText(m_readers[index]), s, error))
        return Fail("state of reader " + std::to_string(index) + ": " + error);
    const scenario::Reader& r = s.readers.front();
    switch (r.card) {
    case scenario::Card::Absent:
        return WaitForEmpty(index);
    case scenario::Card::Present: {
        std::vector<std::uint8_t> atr = r.atr;
        if (atr.size() > kMaxAtr)
            atr.resize(kMaxAtr);
        return WaitForCard(index, atr);
    }
    case scenario::Card::Mute:
        return WaitFor(index, [](const ReaderStatus& st) {
            return (st.eventState & SCARD_STATE_MUTE) != 0;
        });
    case scenario::Card::Unavailable:
        return WaitFor(index, [](const ReaderStatus& st) {
            return (st.eventState & SCARD_STATE_UNAVAILABLE) != 0;
        });
    }
    return Fail("unknown card state");
}

bool PcscdHarness::Stop()
{
    if (m_pid <= 0)
        return true;
    kill(m_pid, SIGTERM);
    const auto deadline = SteadyClock::now() + kStopTimeout;
    for (;;) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return true;
        }
        if (SteadyClock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kPollInterval);
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    return Fail("pcscd did not end within 5 s of SIGTERM; killed");
}

bool PcscdHarness::SetState(std::size_t index, const std::string& state)
{
    if (index >= m_readers.size())
        return Fail("no reader " + std::to_string(index));
    m_readers[index].state = state;
    return WriteFileAtomically(StatePath(index), StateFileText(m_readers[index]));
}

bool PcscdHarness::Query(std::size_t index, ReaderStatus& status)
{
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
        return false;
    SCARD_READERSTATE state = {};
    state.szReader = m_names[index].c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const LONG rv = SCardGetStatusChange(context, 0, &state, 1);
    SCardReleaseContext(context);
    if (rv != SCARD_S_SUCCESS)
        return false;
    status.eventState = static_cast<std::uint32_t>(state.dwEventState);
    status.atr.assign(state.rgbAtr, state.rgbAtr + std::min<DWORD>(state.cbAtr, sizeof state.rgbAtr));
    return true;
}

bool PcscdHarness::WaitFor(std::size_t index, const std::function<bool(const ReaderStatus&)>& accept,
                           std::chrono::milliseconds timeout)
{
    if (index >= m_names.size())
        return Fail("no reader " + std::to_string(index) + " listed");
    const auto deadline = SteadyClock::now() + timeout;
    ReaderStatus status;
    bool answered = false;
    for (;;) {
        ReaderStatus now;
        if (Query(index, now)) {
            answered = true;
            status = now;
            if (accept(status))
                return true;
        }
        if (SteadyClock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kPollInterval);
    }
    std::string seen = "no answer";
    if (answered) {
        char text[32];
        std::snprintf(text, sizeof text, "event state 0x%08X, ATR", status.eventState);
        seen = text;
        for (std::uint8_t b : status.atr) {
            std::snprintf(text, sizeof text, " %02X", b);
            seen += text;
        }
    }
    return Fail("reader '" + m_names[index] + "' did not reach the expected state in " +
                std::to_string(timeout.count()) + " ms (last: " + seen + ")");
}

bool PcscdHarness::WaitForCard(std::size_t index, const std::vector<std::uint8_t>& atr)
{
    return WaitFor(index, [&atr](const ReaderStatus& st) {
        return (st.eventState & SCARD_STATE_PRESENT) != 0 && st.atr == atr;
    });
}

bool PcscdHarness::WaitForEmpty(std::size_t index)
{
    return WaitFor(index, [](const ReaderStatus& st) {
        return (st.eventState & SCARD_STATE_EMPTY) != 0;
    });
}

}  // namespace pcscdtest
