#include "pcsc/PcscAccess.h"
#include "pcsc/ReaderList.h"

#include "SimEnvironment.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kReader[] = "Talvek CLR 2000-RF 0";
// A contactless card's ATR: TD1 = 80, TD2 = 01, so the card offers T=1.
const char kContactlessAtr[] = "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A";
// A contact card that offers T=0 only.
const char kT0Atr[] = "3B 02 14 50";
const char kUidCommand[] = "FF CA 00 00 00";

std::string ReaderSection(const std::string& settings)
{
    return std::string("[reader ") + kReader + "]\n" + settings;
}

std::string CardWithAnswer(const std::string& response, const std::string& more = "")
{
    return ReaderSection(std::string("card = present\natr = ") + kContactlessAtr + "\napdu = " +
                         kUidCommand + " : " + response + "\n" + more);
}

// Bytes in use on the C runtime's heap, to tell whether a buffer was released.
std::size_t HeapInUse()
{
    _HEAPINFO info = {};
    std::size_t used = 0;
    while (_heapwalk(&info) == _HEAPOK)
        if (info._useflag == _USEDENTRY)
            used += info._size;
    return used;
}

class PcscAccessTest : public ::testing::Test {
protected:
    SCARDCONTEXT Establish()
    {
        SCARDCONTEXT hContext = 0;
        PcscResult result = -1;
        EXPECT_EQ(0, m_pcsc.EstablishContext(hContext, result));
        return hContext;
    }

    SimEnvironment m_sim;
    TraceCapture m_trace;
    CPcscAccess m_pcsc;
};

struct UidCase {
    const char* name;
    std::string scenario;
    bool ok;
    std::vector<unsigned char> uid;  // when ok
    const char* trace;               // must appear in the traces
    bool connected;                  // a connection was made, so one disconnect must follow
};

}  // namespace

TEST_F(PcscAccessTest, ReadUid)
{
    std::string tooLong;
    for (int i = 0; i < 256; ++i)
        tooLong += "AA ";
    const UidCase cases[] = {
        {"four-byte uid", CardWithAnswer("04 A1 B2 C3 90 00"), true, {0x04, 0xA1, 0xB2, 0xC3},
         "Active protocol T1\n", true},
        {"status word only", CardWithAnswer("90 00"), true, {}, "Active protocol T1\n", true},
        {"T=0 card", ReaderSection(std::string("card = present\natr = ") + kT0Atr + "\napdu = " +
                                   kUidCommand + " : 11 22 90 00\n"),
         true, {0x11, 0x22}, "Active protocol T0\n", true},
        {"command not supported", CardWithAnswer("6A 81"), false, {}, "\nWrong return code: 6A81\n",
         true},
        {"no apdu line answers 6D00", ReaderSection(std::string("card = present\natr = ") + kContactlessAtr),
         false, {}, "\nWrong return code: 6D00\n", true},
        {"status byte 90 alone", CardWithAnswer("90"), false, {}, "\nWrong return code: ", true},
        {"empty response", CardWithAnswer(""), false, {}, "\nWrong return code: ", true},
        {"no card", ReaderSection("card = absent\n"), false, {}, "Failed SCardConnect\n", false},
        {"mute card", ReaderSection("card = mute\n"), false, {}, "Failed SCardConnect\n", false},
        {"connect refused", CardWithAnswer("90 00", "connect = 0x8010000B\n"), false, {},
         "Failed SCardConnect\n", false},
        {"raw protocol", CardWithAnswer("90 00", "protocol = raw\n"), false, {},
         "Active protocol unnegotiated or unknown\n", true},
        {"no protocol", CardWithAnswer("90 00", "protocol = none\n"), false, {},
         "Active protocol unnegotiated or unknown\n", true},
        {"transmit fails", CardWithAnswer("90 00", "transmit = 0x80100016\n"), false, {},
         "\nProblem in SCardTransmit, Erro rcode = 0x80100016\n", true},
        {"response beyond the buffer", CardWithAnswer(tooLong + "90 00"), false, {},
         "\nProblem in SCardTransmit, Erro rcode = 0x80100008\n", true},
    };
    for (const UidCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(c.scenario);
        m_sim.ClearJournal();
        m_trace.Clear();
        const SCARDCONTEXT hContext = Establish();

        unsigned char uid[CPcscAccess::kUidBufferSize];
        std::fill(std::begin(uid), std::end(uid), 0xEE);
        int count = -7;
        EXPECT_EQ(c.ok, m_pcsc.ReadUid(hContext, kReader, uid, count));
        EXPECT_NE(std::string::npos, m_trace.Text().find(c.trace)) << m_trace.Text();
        if (c.ok) {
            ASSERT_EQ(static_cast<int>(c.uid.size()), count);
            EXPECT_EQ(c.uid, std::vector<unsigned char>(uid, uid + count));
        } else {
            EXPECT_EQ(-7, count);
        }
        EXPECT_EQ(0xEE, uid[c.ok ? count : 0]);  // nothing written beyond the UID
        EXPECT_EQ(c.connected ? 1u : 0u, m_sim.JournalCount("SCardDisconnect"));
        if (!c.connected) {
            EXPECT_EQ(0u, m_sim.JournalCount("SCardTransmit"));
        }
    }
}

TEST_F(PcscAccessTest, ReadUidLeavesTheCard)
{
    m_sim.UseScenario(CardWithAnswer("04 A1 B2 C3 90 00"));
    const SCARDCONTEXT hContext = Establish();
    unsigned char uid[CPcscAccess::kUidBufferSize] = {};
    int count = 0;
    ASSERT_TRUE(m_pcsc.ReadUid(hContext, kReader, uid, count));
    std::string disconnect;
    for (const std::string& line : m_sim.JournalLines())
        if (line.rfind("SCardDisconnect", 0) == 0)
            disconnect = line;
    EXPECT_NE(std::string::npos, disconnect.find(" disposition=0 -> 0x00000000")) << disconnect;
}

TEST_F(PcscAccessTest, EstablishContext)
{
    struct Case {
        const char* name;
        const char* scenario;
        PcscResult expected;
    } const cases[] = {
        {"no scenario lines", "", 0},
        {"service not running", "context = 0x8010001D\n", static_cast<PcscResult>(0x8010001D)},
        {"internal error", "context = 0x80100001\n", static_cast<PcscResult>(0x80100001)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(c.scenario);
        SCARDCONTEXT hContext = 0;
        PcscResult result = 12345;
        EXPECT_EQ(c.expected, m_pcsc.EstablishContext(hContext, result));
        EXPECT_EQ(c.expected, result);
        EXPECT_EQ(c.expected == 0, hContext != 0);
    }
}

TEST_F(PcscAccessTest, EstablishContextFailsOnlyAsOftenAsInjected)
{
    m_sim.UseScenario("context = 0x8010001D * 1\n");
    SCARDCONTEXT hContext = 0;
    PcscResult result = 0;
    EXPECT_EQ(static_cast<PcscResult>(0x8010001D), m_pcsc.EstablishContext(hContext, result));
    EXPECT_EQ(0, m_pcsc.EstablishContext(hContext, result));
}

namespace {

struct ListCase {
    const char* name;
    std::string scenario;
    bool ok;
    bool available;
    std::vector<std::string> names;
    const char* trace;
};

const std::string kTwoReaders =
    "[reader Talvek CLR 2000-RF 0]\n[reader Talvek CCR 4000 0]\ncard = present\n";

}  // namespace

TEST_F(PcscAccessTest, ListReaders)
{
    const ListCase cases[] = {
        {"two readers in scenario order", kTwoReaders, true, true,
         {"Talvek CLR 2000-RF 0", "Talvek CCR 4000 0"}, "list readers passed\n"},
        {"name with a high first byte", "[reader \xC4rzte Leser 0]\n[reader B]\n", true, true,
         {"\xC4rzte Leser 0", "B"}, "list readers passed\n"},
        {"no readers", "", true, false, {}, "no readers available\n"},
        {"sizing call fails", "list1 = 0x80100001\n" + kTwoReaders, false, false, {},
         "list readers failed\n"},
        {"no service", "list1 = 0x8010001D\n" + kTwoReaders, false, false, {},
         "list readers failed\n"},
        {"readers gone at sizing", "list1 = 0x8010002E\n" + kTwoReaders, true, false, {},
         "no readers available\n"},
        {"fetch fails", "list2 = 0x80100006\n" + kTwoReaders, false, false, {},
         "list readers failed\n"},
        {"list grows twice", "list2 = 0x80100008 * 2\n" + kTwoReaders, true, true,
         {"Talvek CLR 2000-RF 0", "Talvek CCR 4000 0"}, "list readers passed\n"},
        {"list grows forever", "list2 = 0x80100008\n" + kTwoReaders, false, false, {},
         "list readers failed\n"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(c.scenario);
        m_trace.Clear();
        const SCARDCONTEXT hContext = Establish();

        std::uint32_t length = 0;
        char* readers = nullptr;
        bool available = !c.available;
        EXPECT_EQ(c.ok, m_pcsc.ListReaders(hContext, length, readers, available));
        EXPECT_EQ(c.available, available);
        EXPECT_EQ(c.available, readers != nullptr);
        EXPECT_EQ(c.names, WalkReaderNames(readers, length));
        EXPECT_NE(std::string::npos, m_trace.Text().find(c.trace)) << m_trace.Text();
        std::free(readers);
    }
}

TEST_F(PcscAccessTest, ListReadersGivesUpOnAGrowingList)
{
    m_sim.UseScenario("list2 = 0x80100008\n" + kTwoReaders);
    const SCARDCONTEXT hContext = Establish();
    std::uint32_t length = 0;
    char* readers = nullptr;
    bool available = false;
    EXPECT_FALSE(m_pcsc.ListReaders(hContext, length, readers, available));
    const std::size_t fetches = m_sim.JournalCount("SCardListReadersA buffer=caller");
    EXPECT_GE(fetches, 2u);  // the list was sized again after it grew
    EXPECT_LE(fetches, 16u);
    EXPECT_EQ(fetches, m_sim.JournalCount("SCardListReadersA buffer=null"));
}

TEST_F(PcscAccessTest, ListReadersReleasesTheBufferOfAFailedFetch)
{
    std::string scenario = "list2 = 0x80100006\n";
    for (int i = 0; i < 8; ++i)
        scenario += "[reader Reader with a rather long name to make the list large " +
                    std::to_string(i) + "]\n";
    m_sim.UseScenario(scenario);
    const SCARDCONTEXT hContext = Establish();
    auto fail = [&] {
        std::uint32_t length = 0;
        char* readers = nullptr;
        bool available = false;
        EXPECT_FALSE(m_pcsc.ListReaders(hContext, length, readers, available));
        EXPECT_EQ(nullptr, readers);
    };
    {
        // The measurement must see blocks of the list's size, or it proves nothing.
        const std::size_t empty = HeapInUse();
        std::vector<void*> probes;
        for (int i = 0; i < 100; ++i)
            probes.push_back(std::malloc(500));
        EXPECT_GE(HeapInUse(), empty + 50000);
        for (void* probe : probes)
            std::free(probe);
    }
    fail();  // the first round may set up the runtime's own buffers
    const std::size_t before = HeapInUse();
    for (int i = 0; i < 100; ++i)
        fail();
    // A lost list buffer would be about 500 bytes a round.
    EXPECT_LT(HeapInUse(), before + 10000);
}

TEST_F(PcscAccessTest, ListReadersOnAContextNeverEstablished)
{
    m_sim.UseScenario(kTwoReaders);
    std::uint32_t length = 0;
    char* readers = nullptr;
    bool available = true;
    EXPECT_FALSE(m_pcsc.ListReaders(0x5EED, length, readers, available));
    EXPECT_FALSE(available);
    EXPECT_EQ(nullptr, readers);
    EXPECT_EQ(1u, m_trace.Count("list readers failed\n"));
}

TEST_F(PcscAccessTest, CancelAnEstablishedContext)
{
    m_sim.UseScenario("");
    const SCARDCONTEXT hContext = Establish();
    EXPECT_EQ(0, m_pcsc.Cancel(hContext));
    EXPECT_EQ(static_cast<PcscResult>(SCARD_E_INVALID_HANDLE), m_pcsc.Cancel(hContext + 1000));
}

namespace {

std::size_t JournalCountOf(const SimEnvironment& sim, const std::string& call, const std::string& tail)
{
    std::size_t count = 0;
    for (const std::string& line : sim.JournalLines()) {
        count += line.compare(0, call.size(), call) == 0 && line.size() >= tail.size() &&
                 line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
    }
    return count;
}

}  // namespace

// The clock row of a contact card when the reader's clock cannot be read: "Fehler", and whatever
// the resource manager allocated is given back, the connection closed.
TEST_F(PcscAccessTest, DecodeAtrWhenTheClockCannotBeRead)
{
    const struct {
        const char* name;
        const char* settings;
        const char* clockRow;
        bool asked;  // the attribute was asked for
    } cases[] = {
        {"clock read", "", "4", true},
        {"attribute call fails", "attrib = 0x80100016\n", "Fehler", true},
        {"clock not supported", "clock = none\n", "Fehler", true},
        {"no connection to the card", "connect = 0x8010000B\n", "Fehler", false},
    };
    const unsigned char atrBlock[] = {4, 0x3B, 0x02, 0x14, 0x50};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(ReaderSection(std::string("card = present\natr = ") + kT0Atr + "\n" + c.settings));
        SCARDCONTEXT hContext = Establish();
        m_sim.ClearJournal();
        std::vector<std::string> rows;
        m_pcsc.DecodeAtr(hContext, kReader, false, atrBlock, rows);
        ASSERT_GE(rows.size(), 2u);
        EXPECT_EQ(rows[0], "Taktfrequenz (MHz)");
        EXPECT_EQ(rows[1], c.clockRow);

        const std::string ok = " -> 0x00000000";
        EXPECT_EQ(m_sim.JournalCount("SCardGetAttrib") > 0, c.asked);
        EXPECT_EQ(JournalCountOf(m_sim, "SCardGetAttrib", "length=auto" + ok),
                  JournalCountOf(m_sim, "SCardFreeMemory", "memory=set" + ok))
            << "every buffer the resource manager allocated is freed";
        EXPECT_EQ(JournalCountOf(m_sim, "SCardConnectA", ok), JournalCountOf(m_sim, "SCardDisconnect", ok));
        EXPECT_EQ(m_sim.JournalCount("SCardFreeMemory") - JournalCountOf(m_sim, "SCardFreeMemory", ok), 0u)
            << "nothing freed that was not allocated";
        SCardReleaseContext(hContext);
    }
}

// Wine 10 with a real pcscd refuses the SCARD_AUTOALLOCATE ask as too big; the simulated DLL plays
// that with an injection counted once, which the ask with the program's own buffer then passes.
TEST_F(PcscAccessTest, ReadReaderAttributeAsksAgainOnlyWhenAutoallocateIsTooBig)
{
    const struct {
        const char* name;
        const char* settings;
        std::uint32_t khz;
        std::vector<std::string> asks;  // the SCardGetAttrib journal lines from "length="
    } cases[] = {
        {"autoallocate answers", "", 4000, {"length=auto -> 0x00000000"}},
        {"autoallocate too big", "attrib = 0x80100008 * 1\n", 4000,
         {"length=auto -> 0x80100008", "length=caller -> 0x00000000"}},
        {"own buffer too small as well", "attrib = 0x80100008 * 2\n", 0,
         {"length=auto -> 0x80100008", "length=caller -> 0x80100008"}},
        {"other failure: no second ask", "attrib = 0x80100016\n", 0, {"length=auto -> 0x80100016"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(ReaderSection(std::string("card = present\natr = ") + kT0Atr + "\nclock = 4000\n" +
                                        c.settings));
        const SCARDCONTEXT hContext = Establish();
        m_sim.ClearJournal();
        EXPECT_EQ(c.khz, m_pcsc.ReadReaderAttribute(kReader, hContext, SCARD_ATTR_CURRENT_CLK));
        std::vector<std::string> asks;
        for (const std::string& line : m_sim.JournalLines())
            if (line.rfind("SCardGetAttrib", 0) == 0)
                asks.push_back(line.substr(line.find("length=")));
        EXPECT_EQ(c.asks, asks);
        EXPECT_EQ(1u, m_sim.JournalCount("SCardFreeMemory"));
        EXPECT_EQ(1u, m_sim.JournalCount("SCardDisconnect"));
        SCardReleaseContext(hContext);
    }
}
