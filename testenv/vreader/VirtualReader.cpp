// Virtual reader driver for pcscd (IFD handler interface, version 3).
//
// One file, one reader: pcscd shares the globals of a driver file among all reader.conf entries
// that name it, so every virtual reader is loaded from a copy of its own. DEVICENAME is the
// absolute path of the reader's state file, a scenario file with one reader section; the file is
// read again at every presence poll, power action, transmission and capability query, so a test
// changes the card by renaming a new file over it.

#include "Scenario.h"

extern "C" {
#include <ifdhandler.h>
}

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// pcscd confirms a change of presence with a second poll at once and polls every 400 ms; a card
// that stays away this long is seen as removed before its successor is seen as inserted.
constexpr auto kSwapAbsence = std::chrono::milliseconds(1000);

// Attribute id of the current clock in kHz (class IFD protocol, tag 0x0202).
constexpr DWORD kAttrCurrentClock = 0x00080202;

struct Driver {
    std::mutex mutex;
    std::string statePath;   // empty: the channel was created without DEVICENAME
    std::string lastError;   // last parse error written to pcscd's output, so it is written once
    bool polled = false;     // pcscd has made its initial presence check

    // The card that pcscd was last told is present (kind and ATR), and the end of a swap absence.
    bool cardReported = false;
    scenario::Card reportedCard = scenario::Card::Absent;
    std::vector<std::uint8_t> reportedAtr;
    Clock::time_point absentUntil{};
};

Driver g_driver;

// The reader of the state file; a missing or unreadable file is an empty reader.
scenario::Reader LoadState(Driver& d)
{
    scenario::Reader reader;
    if (d.statePath.empty())
        return reader;
    scenario::Scenario s;
    std::string error;
    if (!scenario::LoadFile(d.statePath, s, error)) {
        if (error != d.lastError) {
            std::fprintf(stderr, "vreader: %s: %s\n", d.statePath.c_str(), error.c_str());
            d.lastError = error;
        }
        return reader;
    }
    d.lastError.clear();
    if (!s.readers.empty())
        reader = s.readers.front();
    if (reader.atr.size() > MAX_ATR_SIZE)
        reader.atr.resize(MAX_ATR_SIZE);  // pcscd hangs on longer ATRs
    return reader;
}

bool HasCard(const scenario::Reader& r)
{
    return r.card == scenario::Card::Present || r.card == scenario::Card::Mute;
}

RESPONSECODE Presence(Driver& d)
{
    const scenario::Reader r = LoadState(d);
    const bool initialCheck = !d.polled;
    d.polled = true;
    if (r.card == scenario::Card::Unavailable) {
        // A failed initial check drops the reader altogether; later failures make pcscd report
        // it unavailable.
        return initialCheck ? IFD_ICC_NOT_PRESENT : IFD_COMMUNICATION_ERROR;
    }
    if (!HasCard(r)) {
        d.cardReported = false;
        d.absentUntil = {};
        return IFD_ICC_NOT_PRESENT;
    }
    if (Clock::now() < d.absentUntil)
        return IFD_ICC_NOT_PRESENT;
    if (d.cardReported && (r.card != d.reportedCard || r.atr != d.reportedAtr)) {
        // Another card took the place of the one pcscd knows: show the reader empty for a while.
        d.cardReported = false;
        d.absentUntil = Clock::now() + kSwapAbsence;
        return IFD_ICC_NOT_PRESENT;
    }
    d.cardReported = true;
    d.reportedCard = r.card;
    d.reportedAtr = r.atr;
    return IFD_ICC_PRESENT;
}

RESPONSECODE PutBytes(const std::uint8_t* bytes, std::size_t count, PDWORD length, PUCHAR value)
{
    if (*length < count)
        return IFD_ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(value, bytes, count);
    *length = static_cast<DWORD>(count);
    return IFD_SUCCESS;
}

}  // namespace

extern "C" {

RESPONSECODE IFDHCreateChannelByName(DWORD, LPSTR DeviceName)
{
    std::lock_guard<std::mutex> lock(g_driver.mutex);
    g_driver.statePath = DeviceName ? DeviceName : "";
    g_driver.polled = false;
    // Always success: a reader whose channel fails is silently left out by pcscd.
    return IFD_SUCCESS;
}

RESPONSECODE IFDHCreateChannel(DWORD, DWORD)
{
    return IFD_SUCCESS;
}

RESPONSECODE IFDHCloseChannel(DWORD)
{
    return IFD_SUCCESS;
}

RESPONSECODE IFDHGetCapabilities(DWORD, DWORD Tag, PDWORD Length, PUCHAR Value)
{
    std::lock_guard<std::mutex> lock(g_driver.mutex);
    const scenario::Reader r = LoadState(g_driver);
    switch (Tag) {
    case TAG_IFD_SLOTS_NUMBER: {
        const std::uint8_t slots = 1;
        return PutBytes(&slots, 1, Length, Value);
    }
    case kAttrCurrentClock: {
        if (!r.hasClock)
            return IFD_ERROR_TAG;
        const std::uint32_t khz = r.clockKhz;
        const std::uint8_t le[4] = {static_cast<std::uint8_t>(khz), static_cast<std::uint8_t>(khz >> 8),
                                    static_cast<std::uint8_t>(khz >> 16),
                                    static_cast<std::uint8_t>(khz >> 24)};
        return PutBytes(le, sizeof le, Length, Value);
    }
    default:
        // Among them TAG_IFD_POLLING_THREAD_WITH_TIMEOUT: without a polling thread of ours pcscd
        // polls IFDHICCPresence itself.
        return IFD_ERROR_TAG;
    }
}

RESPONSECODE IFDHSetCapabilities(DWORD, DWORD, DWORD, PUCHAR)
{
    return IFD_ERROR_TAG;
}

RESPONSECODE IFDHSetProtocolParameters(DWORD, DWORD, UCHAR, UCHAR, UCHAR, UCHAR)
{
    return IFD_SUCCESS;
}

RESPONSECODE IFDHPowerICC(DWORD, DWORD Action, PUCHAR Atr, PDWORD AtrLength)
{
    if (Action == IFD_POWER_UP || Action == IFD_RESET) {
        // A card slow to answer reset: pcscd waits in this call, as it does for a real reader.
        unsigned delayMs = 0;
        {
            std::lock_guard<std::mutex> lock(g_driver.mutex);
            delayMs = LoadState(g_driver).delayMs;
        }
        if (delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    std::lock_guard<std::mutex> lock(g_driver.mutex);
    if (Action == IFD_POWER_DOWN) {
        *AtrLength = 0;
        return IFD_SUCCESS;
    }
    if (Action != IFD_POWER_UP && Action != IFD_RESET)
        return IFD_NOT_SUPPORTED;

    const scenario::Reader r = LoadState(g_driver);
    if (r.card != scenario::Card::Present) {
        *AtrLength = 0;
        return IFD_ERROR_POWER_ACTION;  // no card, or a mute one
    }
    std::memcpy(Atr, r.atr.data(), r.atr.size());
    *AtrLength = static_cast<DWORD>(r.atr.size());
    return IFD_SUCCESS;
}

RESPONSECODE IFDHTransmitToICC(DWORD, SCARD_IO_HEADER SendPci, PUCHAR TxBuffer, DWORD TxLength,
                               PUCHAR RxBuffer, PDWORD RxLength, PSCARD_IO_HEADER RecvPci)
{
    std::lock_guard<std::mutex> lock(g_driver.mutex);
    const scenario::Reader r = LoadState(g_driver);
    if (r.card != scenario::Card::Present) {
        *RxLength = 0;
        return IFD_COMMUNICATION_ERROR;
    }
    const std::vector<std::uint8_t> response = scenario::ResponseFor(r, TxBuffer, TxLength);
    if (RecvPci != nullptr)
        *RecvPci = SendPci;
    const RESPONSECODE rc = PutBytes(response.data(), response.size(), RxLength, RxBuffer);
    if (rc != IFD_SUCCESS)
        *RxLength = 0;
    return rc;
}

RESPONSECODE IFDHControl(DWORD, DWORD, PUCHAR, DWORD, PUCHAR, DWORD, LPDWORD pdwBytesReturned)
{
    if (pdwBytesReturned != nullptr)
        *pdwBytesReturned = 0;
    return IFD_ERROR_NOT_SUPPORTED;
}

RESPONSECODE IFDHICCPresence(DWORD)
{
    std::lock_guard<std::mutex> lock(g_driver.mutex);
    return Presence(g_driver);
}

}  // extern "C"
