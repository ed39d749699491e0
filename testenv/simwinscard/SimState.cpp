#include "SimState.h"

#include <cstdlib>
#include <map>

namespace sim {
namespace {

// Handles start far from 0 so that a zeroed variable is never mistaken for one of ours.
constexpr SCARDCONTEXT kFirstContext = 0x0C0A0001;
constexpr SCARDHANDLE kFirstCard = 0x0CA20001;

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& section) : m_section(section) { EnterCriticalSection(&m_section); }
    ~Lock() { LeaveCriticalSection(&m_section); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_section;
};

struct State {
    State() { InitializeCriticalSection(&section); }
    ~State() { DeleteCriticalSection(&section); }

    CRITICAL_SECTION section;
    SCARDCONTEXT nextContext = kFirstContext;
    SCARDHANDLE nextCard = kFirstCard;
    std::map<SCARDCONTEXT, unsigned> contexts;  // context -> cancel generation
    std::map<SCARDHANDLE, Connection> connections;
    std::map<void*, SCARDCONTEXT> memory;
    std::string scenarioPath;
    std::map<std::string, int> injected;  // calls counted per injection key
};

State g_state;

std::string EnvironmentValue(const char* name)
{
    char buffer[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    return std::string(buffer, length);
}

// The file is open only while it is read, and shared for everything (delete included, so a test
// may remove it meanwhile). A rename over an open file fails whatever its share modes, so a test
// that renames the next scenario over this one tries again until the read is done.
bool ReadWholeFile(const std::string& path, std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    return true;
}

// Injection counts belong to one scenario path: a test that points the variable at a fresh file
// starts with fresh counts, while a file renamed over the same path keeps them.
void NoteScenarioPath(const std::string& path)
{
    Lock lock(g_state.section);
    if (path != g_state.scenarioPath) {
        g_state.scenarioPath = path;
        g_state.injected.clear();
    }
}

}  // namespace

bool LoadScenario(scenario::Scenario& out, std::string& error)
{
    out = scenario::Scenario();
    std::string path = EnvironmentValue("KARDOSKOP_SCENARIO");
    NoteScenarioPath(path);
    std::string text;
    if (path.empty() || !ReadWholeFile(path, text))
        return true;
    return scenario::Parse(text, out, error);
}

bool Inject(const scenario::Injection& injection, const std::string& key, LONG& code)
{
    if (!injection.set)
        return false;
    Lock lock(g_state.section);
    int& used = g_state.injected[key];
    if (injection.count >= 0 && used >= injection.count)
        return false;
    ++used;
    code = static_cast<LONG>(injection.code);
    return code != SCARD_S_SUCCESS;
}

SCARDCONTEXT NewContext()
{
    Lock lock(g_state.section);
    SCARDCONTEXT hContext = g_state.nextContext++;
    g_state.contexts[hContext] = 0;
    return hContext;
}

bool IsContext(SCARDCONTEXT hContext)
{
    Lock lock(g_state.section);
    return g_state.contexts.count(hContext) != 0;
}

bool ReleaseContext(SCARDCONTEXT hContext)
{
    Lock lock(g_state.section);
    if (g_state.contexts.erase(hContext) == 0)
        return false;
    for (auto it = g_state.connections.begin(); it != g_state.connections.end();) {
        if (it->second.context == hContext)
            it = g_state.connections.erase(it);
        else
            ++it;
    }
    for (auto it = g_state.memory.begin(); it != g_state.memory.end();) {
        if (it->second == hContext) {
            std::free(it->first);
            it = g_state.memory.erase(it);
        } else {
            ++it;
        }
    }
    return true;
}

bool CancelGeneration(SCARDCONTEXT hContext, unsigned& generation)
{
    Lock lock(g_state.section);
    auto it = g_state.contexts.find(hContext);
    if (it == g_state.contexts.end())
        return false;
    generation = it->second;
    return true;
}

bool Cancel(SCARDCONTEXT hContext)
{
    Lock lock(g_state.section);
    auto it = g_state.contexts.find(hContext);
    if (it == g_state.contexts.end())
        return false;
    ++it->second;
    return true;
}

SCARDHANDLE NewConnection(const Connection& connection)
{
    Lock lock(g_state.section);
    SCARDHANDLE hCard = g_state.nextCard++;
    g_state.connections[hCard] = connection;
    return hCard;
}

bool FindConnection(SCARDHANDLE hCard, Connection& out)
{
    Lock lock(g_state.section);
    auto it = g_state.connections.find(hCard);
    if (it == g_state.connections.end())
        return false;
    out = it->second;
    return true;
}

bool RemoveConnection(SCARDHANDLE hCard)
{
    Lock lock(g_state.section);
    return g_state.connections.erase(hCard) != 0;
}

DWORD ConnectionBits(const std::string& reader)
{
    Lock lock(g_state.section);
    DWORD bits = 0;
    for (const auto& entry : g_state.connections) {
        if (entry.second.reader != reader)
            continue;
        bits |= SCARD_STATE_INUSE;
        if (entry.second.shareMode == SCARD_SHARE_EXCLUSIVE)
            bits |= SCARD_STATE_EXCLUSIVE;
    }
    return bits;
}

void* Allocate(SCARDCONTEXT hContext, std::size_t size)
{
    void* memory = std::malloc(size > 0 ? size : 1);
    if (memory == nullptr)
        return nullptr;
    Lock lock(g_state.section);
    g_state.memory[memory] = hContext;
    return memory;
}

bool Free(void* memory)
{
    Lock lock(g_state.section);
    if (g_state.memory.erase(memory) == 0)
        return false;
    std::free(memory);
    return true;
}

void Journal(const std::string& line)
{
    std::string path = EnvironmentValue("KARDOSKOP_SIM_JOURNAL");
    if (path.empty())
        return;
    std::string text = line + "\n";
    Lock lock(g_state.section);
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace sim
