// The simulated winscard.dll: the WinSCard calls of the program, answered from the scenario file
// named by KARDOSKOP_SCENARIO, with the return codes and buffer rules of the Windows resource
// manager. Every call appends a line to the journal named by KARDOSKOP_SIM_JOURNAL.

#define WINSCARDDATA  // we define the protocol records that winscard.h declares as imports
#include <windows.h>
#include <winscard.h>

#include "ReaderState.h"
#include "SimState.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
const SCARD_IO_REQUEST g_rgSCardT0Pci = {SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardRawPci = {SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};
}

namespace {

// A wait re-reads the scenario this often, so a renamed file is seen quickly.
constexpr DWORD kSliceMs = 10;
const char kPnpNotification[] = "\\\\?PnP?\\Notification";

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string Hex(const BYTE* bytes, std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += Format("%02X", bytes[i]);
    return text;
}

std::string Quoted(const char* text)
{
    return text ? "\"" + std::string(text) + "\"" : std::string("null");
}

LONG Report(LONG rv, const std::string& call)
{
    sim::Journal(call + Format(" -> 0x%08lX", static_cast<unsigned long>(rv)));
    return rv;
}

bool Load(scenario::Scenario& s)
{
    std::string error;
    if (sim::LoadScenario(s, error))
        return true;
    sim::Journal("scenario error: " + error);
    return false;
}

// Sleeps `ms` in slices; SCARD_E_CANCELLED as soon as the context is cancelled or released.
LONG Pause(SCARDCONTEXT hContext, unsigned generation, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        unsigned now = 0;
        if (!sim::CancelGeneration(hContext, now) || now != generation)
            return SCARD_E_CANCELLED;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return SCARD_S_SUCCESS;
        Sleep(std::min(kSliceMs, ms - elapsed));
    }
}

// ---------------------------------------------------------------- reader list

LONG FillList(SCARDCONTEXT hContext, const std::string& list, LPSTR mszReaders, LPDWORD pcchReaders)
{
    const DWORD length = static_cast<DWORD>(list.size());
    if (mszReaders == nullptr) {
        *pcchReaders = length;
        return SCARD_S_SUCCESS;
    }
    if (*pcchReaders == SCARD_AUTOALLOCATE) {
        void* memory = sim::Allocate(hContext, length);
        if (memory == nullptr)
            return SCARD_E_NO_MEMORY;
        std::memcpy(memory, list.data(), length);
        *reinterpret_cast<LPSTR*>(mszReaders) = static_cast<LPSTR>(memory);
        *pcchReaders = length;
        return SCARD_S_SUCCESS;
    }
    const DWORD room = *pcchReaders;
    *pcchReaders = length;
    if (room < length)
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::memcpy(mszReaders, list.data(), length);
    return SCARD_S_SUCCESS;
}

LONG ListReaders(SCARDCONTEXT hContext, LPSTR mszReaders, LPDWORD pcchReaders)
{
    // Windows accepts a null context here: the list is then not tied to one.
    if (hContext != 0 && !sim::IsContext(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (pcchReaders == nullptr)
        return SCARD_E_INVALID_PARAMETER;
    scenario::Scenario s;
    if (!Load(s))
        return SCARD_F_INTERNAL_ERROR;
    const std::string list = sim::ReaderMultiString(s);
    LONG rv = SCARD_S_SUCCESS;
    const bool sizing = mszReaders == nullptr;
    if (sim::Inject(sizing ? s.list1 : s.list2, sizing ? "list1" : "list2", rv)) {
        if (rv == SCARD_E_INSUFFICIENT_BUFFER)
            *pcchReaders = static_cast<DWORD>(list.size());
        return rv;
    }
    if (list.empty())
        return SCARD_E_NO_READERS_AVAILABLE;
    return FillList(hContext, list, mszReaders, pcchReaders);
}

// ---------------------------------------------------------------- status change

struct Poll {
    bool keep = false;  // SCARD_STATE_IGNORE: the entry is left as the caller passed it
    bool changed = false;
    DWORD eventState = 0;
    DWORD cbAtr = 0;
    BYTE atr[36] = {};
};

Poll PollPnp(const scenario::Scenario& s, DWORD current)
{
    Poll poll;
    const DWORD count = static_cast<DWORD>(s.readers.size());
    poll.changed = (current >> 16) != count;
    poll.eventState = (count << 16) | (poll.changed ? SCARD_STATE_CHANGED : 0);
    return poll;
}

Poll PollReader(const scenario::Reader& reader, DWORD current)
{
    Poll poll;
    const DWORD actual = sim::ActualState(reader, sim::ConnectionBits(reader.name));
    poll.changed = sim::StateChanged(current, actual);
    poll.eventState = actual | (poll.changed ? SCARD_STATE_CHANGED : 0);
    if (reader.card == scenario::Card::Present) {
        poll.cbAtr = static_cast<DWORD>(std::min<std::size_t>(reader.atr.size(), sizeof poll.atr));
        std::copy_n(reader.atr.begin(), poll.cbAtr, poll.atr);
    }
    return poll;
}

// A reader that goes away during a wait ends the wait the way Windows marks a vanished reader.
Poll PollVanished()
{
    Poll poll;
    poll.changed = true;
    poll.eventState = SCARD_STATE_UNKNOWN | SCARD_STATE_CHANGED | SCARD_STATE_IGNORE;
    return poll;
}

LONG Evaluate(const scenario::Scenario& s, const SCARD_READERSTATEA* states, DWORD count,
              bool atEntry, std::vector<Poll>& polls)
{
    polls.assign(count, Poll());
    for (DWORD i = 0; i < count; ++i) {
        const SCARD_READERSTATEA& entry = states[i];
        if (entry.szReader == nullptr)
            return SCARD_E_INVALID_PARAMETER;
        if (entry.dwCurrentState & SCARD_STATE_IGNORE) {
            polls[i].keep = true;
        } else if (std::strcmp(entry.szReader, kPnpNotification) == 0) {
            polls[i] = PollPnp(s, entry.dwCurrentState);
        } else if (const scenario::Reader* reader = scenario::FindReader(s, entry.szReader)) {
            polls[i] = PollReader(*reader, entry.dwCurrentState);
        } else if (atEntry) {
            return SCARD_E_UNKNOWN_READER;
        } else {
            polls[i] = PollVanished();
        }
    }
    return SCARD_S_SUCCESS;
}

bool AnyChanged(const std::vector<Poll>& polls)
{
    return std::any_of(polls.begin(), polls.end(), [](const Poll& p) { return p.changed; });
}

void Commit(const std::vector<Poll>& polls, SCARD_READERSTATEA* states)
{
    for (std::size_t i = 0; i < polls.size(); ++i) {
        if (polls[i].keep)
            continue;
        states[i].dwEventState = polls[i].eventState;
        states[i].cbAtr = polls[i].cbAtr;
        std::memcpy(states[i].rgbAtr, polls[i].atr, sizeof states[i].rgbAtr);
    }
}

// The first `status` injection among the named readers, and the longest `delay` of them.
bool EntryRules(const scenario::Scenario& s, const SCARD_READERSTATEA* states, DWORD count,
                LONG& injected, DWORD& delayMs)
{
    delayMs = 0;
    for (DWORD i = 0; i < count; ++i) {
        const scenario::Reader* reader =
            states[i].szReader ? scenario::FindReader(s, states[i].szReader) : nullptr;
        if (reader == nullptr)
            continue;
        if (sim::Inject(reader->status, "status:" + reader->name, injected))
            return true;
        delayMs = std::max<DWORD>(delayMs, reader->delayMs);
    }
    return false;
}

LONG WaitForChange(SCARDCONTEXT hContext, unsigned generation, DWORD dwTimeout,
                   SCARD_READERSTATEA* states, DWORD count)
{
    const DWORD start = GetTickCount();
    for (bool atEntry = true;; atEntry = false) {
        scenario::Scenario s;
        if (!Load(s))
            return SCARD_F_INTERNAL_ERROR;
        std::vector<Poll> polls;
        LONG rv = Evaluate(s, states, count, atEntry, polls);
        if (rv != SCARD_S_SUCCESS)
            return rv;
        const bool changed = AnyChanged(polls);
        const bool timedOut = dwTimeout != INFINITE && GetTickCount() - start >= dwTimeout;
        if (changed || timedOut) {
            Commit(polls, states);
            return changed ? SCARD_S_SUCCESS : SCARD_E_TIMEOUT;
        }
        rv = Pause(hContext, generation, kSliceMs);
        if (rv != SCARD_S_SUCCESS)
            return rv;
    }
}

LONG StatusChange(SCARDCONTEXT hContext, DWORD dwTimeout, SCARD_READERSTATEA* states, DWORD count)
{
    unsigned generation = 0;
    if (!sim::CancelGeneration(hContext, generation))
        return SCARD_E_INVALID_HANDLE;
    if (count > 0 && states == nullptr)
        return SCARD_E_INVALID_PARAMETER;
    scenario::Scenario s;
    if (!Load(s))
        return SCARD_F_INTERNAL_ERROR;
    LONG rv = SCARD_S_SUCCESS;
    DWORD delayMs = 0;
    if (EntryRules(s, states, count, rv, delayMs))
        return rv;
    rv = Pause(hContext, generation, delayMs);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    return WaitForChange(hContext, generation, dwTimeout, states, count);
}

std::string DescribeStates(const SCARD_READERSTATEA* states, DWORD count)
{
    std::string text;
    for (DWORD i = 0; states != nullptr && i < count; ++i)
        text += Format(" reader=%s current=0x%08lX event=0x%08lX", Quoted(states[i].szReader).c_str(),
                       states[i].dwCurrentState, states[i].dwEventState);
    return text;
}

// ---------------------------------------------------------------- connections

LONG CardCondition(const scenario::Reader& reader)
{
    switch (reader.card) {
    case scenario::Card::Absent:
        return SCARD_E_NO_SMARTCARD;
    case scenario::Card::Mute:
        return SCARD_W_UNRESPONSIVE_CARD;
    case scenario::Card::Unavailable:
        return SCARD_E_READER_UNAVAILABLE;
    case scenario::Card::Present:
        break;
    }
    return SCARD_S_SUCCESS;
}

// Another holder of the card, as the scenario's extra state bits describe it.
LONG Sharing(const scenario::Reader& reader, DWORD dwShareMode)
{
    if (reader.flags & SCARD_STATE_EXCLUSIVE)
        return SCARD_E_SHARING_VIOLATION;
    if (dwShareMode == SCARD_SHARE_EXCLUSIVE && (reader.flags & SCARD_STATE_INUSE))
        return SCARD_E_SHARING_VIOLATION;
    return SCARD_S_SUCCESS;
}

// A `protocol` line is what the reader reports whatever was asked for (that is how a test gets an
// unusual protocol); a protocol derived from the ATR must be among the preferred ones.
LONG Negotiate(const scenario::Reader& reader, DWORD dwPreferredProtocols, DWORD& protocol)
{
    protocol = scenario::ActiveProtocol(reader);
    if (reader.protocol.empty() && (protocol & dwPreferredProtocols) == 0)
        return SCARD_E_PROTO_MISMATCH;
    return SCARD_S_SUCCESS;
}

LONG Connect(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
             LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol)
{
    if (!sim::IsContext(hContext))
        return SCARD_E_INVALID_HANDLE;
    if (szReader == nullptr || phCard == nullptr || pdwActiveProtocol == nullptr)
        return SCARD_E_INVALID_PARAMETER;
    if (dwShareMode < SCARD_SHARE_EXCLUSIVE || dwShareMode > SCARD_SHARE_DIRECT)
        return SCARD_E_INVALID_VALUE;
    scenario::Scenario s;
    if (!Load(s))
        return SCARD_F_INTERNAL_ERROR;
    const scenario::Reader* reader = scenario::FindReader(s, szReader);
    if (reader == nullptr)
        return SCARD_E_UNKNOWN_READER;
    LONG rv = SCARD_S_SUCCESS;
    if (sim::Inject(reader->connect, "connect:" + reader->name, rv))
        return rv;
    DWORD protocol = SCARD_PROTOCOL_UNDEFINED;
    if (dwShareMode != SCARD_SHARE_DIRECT) {  // a direct connection talks to the reader only
        if (dwPreferredProtocols == 0)
            return SCARD_E_INVALID_VALUE;
        if ((rv = CardCondition(*reader)) != SCARD_S_SUCCESS ||
            (rv = Sharing(*reader, dwShareMode)) != SCARD_S_SUCCESS ||
            (rv = Negotiate(*reader, dwPreferredProtocols, protocol)) != SCARD_S_SUCCESS)
            return rv;
    }
    *phCard = sim::NewConnection({hContext, reader->name, dwShareMode, protocol});
    *pdwActiveProtocol = protocol;
    return SCARD_S_SUCCESS;
}

// The reader of a connection as the scenario describes it now; a card that left ends its use.
LONG ConnectedReader(const scenario::Scenario& s, const sim::Connection& connection,
                     const scenario::Reader*& reader)
{
    reader = scenario::FindReader(s, connection.reader);
    if (reader == nullptr || reader->card == scenario::Card::Unavailable)
        return SCARD_E_READER_UNAVAILABLE;
    return SCARD_S_SUCCESS;
}

LONG Transmit(SCARDHANDLE hCard, LPCSCARD_IO_REQUEST pioSendPci, LPCBYTE pbSendBuffer,
              DWORD cbSendLength, LPBYTE pbRecvBuffer, LPDWORD pcbRecvLength)
{
    sim::Connection connection;
    if (!sim::FindConnection(hCard, connection))
        return SCARD_E_INVALID_HANDLE;
    if (pioSendPci == nullptr || pbSendBuffer == nullptr || pbRecvBuffer == nullptr ||
        pcbRecvLength == nullptr)
        return SCARD_E_INVALID_PARAMETER;
    if (pioSendPci->dwProtocol != connection.protocol)
        return SCARD_E_PROTO_MISMATCH;
    scenario::Scenario s;
    if (!Load(s))
        return SCARD_F_INTERNAL_ERROR;
    const scenario::Reader* reader = nullptr;
    LONG rv = ConnectedReader(s, connection, reader);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    if (reader->card != scenario::Card::Present)
        return SCARD_W_REMOVED_CARD;
    if (sim::Inject(reader->transmit, "transmit:" + reader->name, rv))
        return rv;
    const std::vector<std::uint8_t> response = scenario::ResponseFor(*reader, pbSendBuffer, cbSendLength);
    const DWORD room = *pcbRecvLength;
    *pcbRecvLength = static_cast<DWORD>(response.size());
    if (room < response.size())
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::copy(response.begin(), response.end(), pbRecvBuffer);
    return SCARD_S_SUCCESS;
}

LONG CopyAttribute(const sim::Connection& connection, const BYTE* value, DWORD length, LPBYTE pbAttr,
                   LPDWORD pcbAttrLen)
{
    if (pbAttr == nullptr) {
        *pcbAttrLen = length;
        return SCARD_S_SUCCESS;
    }
    if (*pcbAttrLen == SCARD_AUTOALLOCATE) {
        void* memory = sim::Allocate(connection.context, length);
        if (memory == nullptr)
            return SCARD_E_NO_MEMORY;
        std::memcpy(memory, value, length);
        *reinterpret_cast<LPBYTE*>(pbAttr) = static_cast<LPBYTE>(memory);
        *pcbAttrLen = length;
        return SCARD_S_SUCCESS;
    }
    const DWORD room = *pcbAttrLen;
    *pcbAttrLen = length;
    if (room < length)
        return SCARD_E_INSUFFICIENT_BUFFER;
    std::memcpy(pbAttr, value, length);
    return SCARD_S_SUCCESS;
}

LONG GetAttrib(SCARDHANDLE hCard, DWORD dwAttrId, LPBYTE pbAttr, LPDWORD pcbAttrLen)
{
    sim::Connection connection;
    if (!sim::FindConnection(hCard, connection))
        return SCARD_E_INVALID_HANDLE;
    if (pcbAttrLen == nullptr)
        return SCARD_E_INVALID_PARAMETER;
    scenario::Scenario s;
    if (!Load(s))
        return SCARD_F_INTERNAL_ERROR;
    const scenario::Reader* reader = nullptr;
    LONG rv = ConnectedReader(s, connection, reader);
    if (rv != SCARD_S_SUCCESS)
        return rv;
    if (sim::Inject(reader->attrib, "attrib:" + reader->name, rv))
        return rv;
    if (dwAttrId != SCARD_ATTR_CURRENT_CLK || !reader->hasClock)
        return SCARD_E_UNSUPPORTED_FEATURE;
    const std::uint32_t khz = reader->clockKhz;
    const BYTE value[4] = {static_cast<BYTE>(khz), static_cast<BYTE>(khz >> 8),
                           static_cast<BYTE>(khz >> 16), static_cast<BYTE>(khz >> 24)};
    return CopyAttribute(connection, value, sizeof value, pbAttr, pcbAttrLen);
}

const char* Describe(LPCSTR mszReaders, LPDWORD pcchReaders)
{
    if (mszReaders == nullptr)
        return "null";
    return pcchReaders && *pcchReaders == SCARD_AUTOALLOCATE ? "auto" : "caller";
}

}  // namespace

// ---------------------------------------------------------------- exports

extern "C" {

LONG WINAPI SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext)
{
    const std::string call = Format("SCardEstablishContext scope=%lu", dwScope);
    if (phContext == nullptr)
        return Report(SCARD_E_INVALID_PARAMETER, call);
    if (dwScope != SCARD_SCOPE_USER && dwScope != SCARD_SCOPE_SYSTEM)
        return Report(SCARD_E_INVALID_VALUE, call);
    scenario::Scenario s;
    if (!Load(s))
        return Report(SCARD_F_INTERNAL_ERROR, call);
    LONG rv = SCARD_S_SUCCESS;
    if (sim::Inject(s.context, "context", rv))
        return Report(rv, call);
    *phContext = sim::NewContext();
    return Report(SCARD_S_SUCCESS, call + Format(" context=0x%08lX", static_cast<unsigned long>(*phContext)));
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT hContext)
{
    const LONG rv = sim::ReleaseContext(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
    return Report(rv, Format("SCardReleaseContext context=0x%08lX", static_cast<unsigned long>(hContext)));
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT hContext, LPCSTR, LPSTR mszReaders, LPDWORD pcchReaders)
{
    const char* buffer = Describe(mszReaders, pcchReaders);
    const LONG rv = ListReaders(hContext, mszReaders, pcchReaders);
    return Report(rv, Format("SCardListReadersA buffer=%s length=%lu", buffer,
                             pcchReaders ? *pcchReaders : 0));
}

LONG WINAPI SCardCancel(SCARDCONTEXT hContext)
{
    const LONG rv = sim::Cancel(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE;
    return Report(rv, Format("SCardCancel context=0x%08lX", static_cast<unsigned long>(hContext)));
}

LONG WINAPI SCardGetStatusChangeA(SCARDCONTEXT hContext, DWORD dwTimeout,
                                  LPSCARD_READERSTATEA rgReaderStates, DWORD cReaders)
{
    const LONG rv = StatusChange(hContext, dwTimeout, rgReaderStates, cReaders);
    return Report(rv, Format("SCardGetStatusChangeA timeout=%lu count=%lu", dwTimeout, cReaders) +
                          DescribeStates(rgReaderStates, cReaders));
}

LONG WINAPI SCardConnectA(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode,
                          DWORD dwPreferredProtocols, LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol)
{
    const LONG rv =
        Connect(hContext, szReader, dwShareMode, dwPreferredProtocols, phCard, pdwActiveProtocol);
    std::string call = Format("SCardConnectA reader=%s share=%lu protocols=0x%lX",
                              Quoted(szReader).c_str(), dwShareMode, dwPreferredProtocols);
    if (rv == SCARD_S_SUCCESS)
        call += Format(" card=0x%08lX active=0x%lX", static_cast<unsigned long>(*phCard),
                       *pdwActiveProtocol);
    return Report(rv, call);
}

LONG WINAPI SCardTransmit(SCARDHANDLE hCard, LPCSCARD_IO_REQUEST pioSendPci, LPCBYTE pbSendBuffer,
                          DWORD cbSendLength, LPSCARD_IO_REQUEST, LPBYTE pbRecvBuffer,
                          LPDWORD pcbRecvLength)
{
    const LONG rv =
        Transmit(hCard, pioSendPci, pbSendBuffer, cbSendLength, pbRecvBuffer, pcbRecvLength);
    std::string call = Format("SCardTransmit card=0x%08lX protocol=0x%lX command=%s",
                              static_cast<unsigned long>(hCard), pioSendPci ? pioSendPci->dwProtocol : 0,
                              pbSendBuffer ? Hex(pbSendBuffer, cbSendLength).c_str() : "null");
    if (rv == SCARD_S_SUCCESS)
        call += " response=" + Hex(pbRecvBuffer, *pcbRecvLength);
    return Report(rv, call);
}

LONG WINAPI SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition)
{
    sim::Connection connection;
    LONG rv = SCARD_S_SUCCESS;
    if (!sim::FindConnection(hCard, connection))
        rv = SCARD_E_INVALID_HANDLE;
    else if (dwDisposition > SCARD_EJECT_CARD)
        rv = SCARD_E_INVALID_VALUE;
    else
        sim::RemoveConnection(hCard);
    return Report(rv, Format("SCardDisconnect card=0x%08lX reader=%s disposition=%lu",
                             static_cast<unsigned long>(hCard), Quoted(connection.reader.c_str()).c_str(),
                             dwDisposition));
}

LONG WINAPI SCardGetAttrib(SCARDHANDLE hCard, DWORD dwAttrId, LPBYTE pbAttr, LPDWORD pcbAttrLen)
{
    const bool automatic = pcbAttrLen && *pcbAttrLen == SCARD_AUTOALLOCATE;
    const LONG rv = GetAttrib(hCard, dwAttrId, pbAttr, pcbAttrLen);
    return Report(rv, Format("SCardGetAttrib card=0x%08lX attr=0x%08lX length=%s",
                             static_cast<unsigned long>(hCard), dwAttrId, automatic ? "auto" : "caller"));
}

LONG WINAPI SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem)
{
    LONG rv = SCARD_S_SUCCESS;
    if (hContext != 0 && !sim::IsContext(hContext))
        rv = SCARD_E_INVALID_HANDLE;
    else if (pvMem != nullptr && !sim::Free(const_cast<void*>(pvMem)))
        rv = SCARD_E_INVALID_PARAMETER;  // not ours, or freed twice
    return Report(rv, Format("SCardFreeMemory context=0x%08lX memory=%s",
                             static_cast<unsigned long>(hContext), pvMem ? "set" : "null"));
}

}  // extern "C"
