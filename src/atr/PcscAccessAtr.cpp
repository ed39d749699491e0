// The card-data operations of CPcscAccess: the clock query and the forwarding to the pure decoder
// and the contactless tables.

#include "pcsc/PcscAccess.h"

#include "atr/AtrDecoder.h"
#include "atr/ContactlessCard.h"
#include "pcsc/AttributeWord.h"
#include "win/Text.h"

#include <cstring>

void CPcscAccess::DecodeAtr(const SCARDCONTEXT& hContext, const char* readerName, bool contactless,
                            const unsigned char* atr, std::vector<std::string>& rows)
{
    const std::uint32_t clockKhz =
        ReadReaderAttribute(readerName, hContext, SCARD_ATTR_CURRENT_CLK);
    DecodeAtrRows(atr, clockKhz, contactless, LoadText, rows);
}

std::uint32_t CPcscAccess::ReadReaderAttribute(const char* readerName, SCARDCONTEXT hContext,
                                               DWORD attrId)
{
    SCARDHANDLE hCard = 0;
    DWORD dwActiveProtocol = 0;
    LONG rv = SCardConnectA(hContext, readerName, SCARD_SHARE_SHARED,
                            SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard, &dwActiveProtocol);
    if (rv != SCARD_S_SUCCESS)
        return 0;
    const CCardHandle card(hCard);
    return ReadAttributeWord(
        [hCard, attrId](LPBYTE pbAttr, LPDWORD pcbAttrLen) {
            return SCardGetAttrib(hCard, attrId, pbAttr, pcbAttrLen);
        },
        [hContext](LPBYTE memory) { SCardFreeMemory(hContext, memory); });
}

bool CPcscAccess::IdentifyContactlessCard(const unsigned char* historical, int count,
                                          char* standardText, char* cardNameText)
{
    if (count < 0)
        return false;
    std::string standard;
    std::string cardName;
    if (!::IdentifyContactlessCard(historical, static_cast<std::size_t>(count), LoadText,
                                   standard, cardName))
        return false;
    // The texts already fit the buffers, terminator included.
    std::memcpy(standardText, standard.c_str(), standard.size() + 1);
    std::memcpy(cardNameText, cardName.c_str(), cardName.size() + 1);
    return true;
}
