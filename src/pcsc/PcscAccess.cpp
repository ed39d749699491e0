#include "pcsc/PcscAccess.h"

#include "win/Trace.h"

#include <cstdlib>
#include <cstring>

namespace {
// The list can grow between the sizing call and the fetch (a reader plugged in); size it again a
// few times, then give up rather than loop while readers keep coming.
constexpr int kListTries = 4;

const unsigned char kGetUid[] = {0xFF, 0xCA, 0x00, 0x00, 0x00};
}  // namespace

PcscResult CPcscAccess::EstablishContext(SCARDCONTEXT& hContext, PcscResult& result)
{
    LONG rv = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext);
    result = ToResult(rv);
    return result;
}

bool CPcscAccess::ListReaders(SCARDCONTEXT hContext, std::uint32_t& length, char*& readers,
                              bool& available)
{
    available = false;
    for (int attempt = 0; attempt < kListTries; ++attempt) {
        DWORD size = 0;
        LONG rv = SCardListReadersA(hContext, nullptr, nullptr, &size);
        if (rv == SCARD_E_NO_READERS_AVAILABLE) {
            Trace("no readers available\n");
            return true;
        }
        if (rv != SCARD_S_SUCCESS)
            break;
        if (attempt == 0)
            Trace("list readers passed\n");

        // One byte at least, so that an answer of length 0 still gets a buffer of its own.
        char* buffer = static_cast<char*>(std::malloc(size > 0 ? size : 1));
        if (buffer == nullptr)
            break;
        DWORD filled = size;
        rv = SCardListReadersA(hContext, nullptr, buffer, &filled);
        if (rv == SCARD_S_SUCCESS) {
            // The walk trusts the length: never let it exceed what was allocated.
            length = static_cast<std::uint32_t>(filled < size ? filled : size);
            readers = buffer;
            available = true;
            return true;
        }
        std::free(buffer);
        if (rv != SCARD_E_INSUFFICIENT_BUFFER)
            break;
    }
    Trace("list readers failed\n");
    return false;
}

PcscResult CPcscAccess::Cancel(SCARDCONTEXT hContext)
{
    return ToResult(SCardCancel(hContext));
}

bool CPcscAccess::ReadUid(SCARDCONTEXT hContext, const char* readerName, unsigned char* uid,
                          int& count)
{
    SCARDHANDLE hCard = 0;
    DWORD dwActiveProtocol = 0;
    LONG rv = SCardConnectA(hContext, readerName, SCARD_SHARE_SHARED,
                            SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard, &dwActiveProtocol);
    if (rv != SCARD_S_SUCCESS) {
        Trace("Failed SCardConnect\n");
        return false;
    }
    const CCardHandle card(hCard);

    const SCARD_IO_REQUEST* sendPci = nullptr;
    if (dwActiveProtocol == SCARD_PROTOCOL_T0) {
        Trace("Active protocol T0\n");
        sendPci = SCARD_PCI_T0;
    } else if (dwActiveProtocol == SCARD_PROTOCOL_T1) {
        Trace("Active protocol T1\n");
        sendPci = SCARD_PCI_T1;
    } else {
        Trace("Active protocol unnegotiated or unknown\n");
        return false;
    }

    unsigned char response[256] = {};
    DWORD received = 255;
    rv = SCardTransmit(hCard, sendPci, kGetUid, sizeof kGetUid, nullptr, response, &received);
    if (rv != SCARD_S_SUCCESS) {
        TraceF("\nProblem in SCardTransmit, Erro rcode = 0x%04X\n",
               static_cast<unsigned>(ToResult(rv)));
        return false;
    }

    // A resource manager that claims more than the buffer holds is not believed.
    if (received > 255)
        received = 255;
    if (received < 2) {
        TraceF("\nWrong return code: %02X%02X\n", 0u, 0u);
        return false;
    }
    const unsigned sw1 = response[received - 2];
    const unsigned sw2 = response[received - 1];
    if (sw1 != 0x90 || sw2 != 0x00) {
        TraceF("\nWrong return code: %02X%02X\n", sw1, sw2);
        return false;
    }

    count = static_cast<int>(received - 2);
    std::memcpy(uid, response, static_cast<size_t>(count));
    return true;
}
