// The clock attribute is asked for with SCARD_AUTOALLOCATE, and with a buffer of the program's own
// only when that ask is refused for its size. A stand-in of SCardGetAttrib plays the resource
// manager: it hands out exactly sized heap blocks, so ASan sees any read beyond an answer.
#include "pcsc/AttributeWord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// One answer of the stand-in: the return code, the bytes it delivers and the length it reports.
// Made by a constructor, not as an aggregate: GCC 12 at -O3 takes the vectors of a table of
// aggregates for maybe uninitialized where the table is destroyed.
struct Answer {
    Answer(LONG code, std::vector<BYTE> delivered, DWORD reported, bool handsOutBlock)
        : rv(code), bytes(std::move(delivered)), length(reported), allocates(handsOutBlock)
    {
    }

    LONG rv;
    std::vector<BYTE> bytes;
    DWORD length;
    bool allocates;  // autoallocate only: hands out a block even when rv is a failure, as pcsc-lite
};

class FakeResourceManager {
public:
    FakeResourceManager(Answer first, Answer second) : m_answers{std::move(first), std::move(second)} {}

    ~FakeResourceManager() { std::free(m_block); }

    FakeResourceManager(const FakeResourceManager&) = delete;
    FakeResourceManager& operator=(const FakeResourceManager&) = delete;

    LONG GetAttrib(LPBYTE pbAttr, LPDWORD pcbAttrLen)
    {
        const std::size_t call = m_calls++;
        if (call >= 2) {
            ADD_FAILURE() << "a third ask";
            return SCARD_F_INTERNAL_ERROR;
        }
        const Answer& answer = m_answers[call];
        if (call == 0) {
            EXPECT_EQ(*pcbAttrLen, static_cast<DWORD>(SCARD_AUTOALLOCATE)) << "the first ask autoallocates";
            if (answer.allocates) {
                m_block = static_cast<BYTE*>(std::malloc(answer.bytes.empty() ? 1 : answer.bytes.size()));
                std::copy(answer.bytes.begin(), answer.bytes.end(), m_block);
                std::memcpy(pbAttr, &m_block, sizeof m_block);
            }
        } else {
            m_room = *pcbAttrLen;
            EXPECT_NE(pbAttr, nullptr) << "the second ask brings a buffer, no length query";
            if (pbAttr != nullptr)
                std::copy_n(answer.bytes.begin(), std::min<std::size_t>(answer.bytes.size(), m_room), pbAttr);
        }
        *pcbAttrLen = answer.length;
        return answer.rv;
    }

    void FreeMemory(LPBYTE memory)
    {
        ++m_frees;
        EXPECT_EQ(memory, m_block) << "only the handed-out block is freed";
        if (memory != nullptr && memory == m_block) {
            std::free(m_block);
            m_block = nullptr;
        }
    }

    std::size_t Calls() const { return m_calls; }
    std::size_t Frees() const { return m_frees; }
    DWORD Room() const { return m_room; }
    bool BlockOutstanding() const { return m_block != nullptr; }

private:
    Answer m_answers[2];
    std::size_t m_calls = 0;
    std::size_t m_frees = 0;
    DWORD m_room = 0;
    BYTE* m_block = nullptr;
};

const LONG kOk = SCARD_S_SUCCESS;
const LONG kTooSmall = SCARD_E_INSUFFICIENT_BUFFER;
const std::vector<BYTE> k4000 = {0xA0, 0x0F, 0x00, 0x00};
const Answer kUnused = {SCARD_F_INTERNAL_ERROR, {}, 0, false};

TEST(AttributeWord, AsksOnceMoreWithItsOwnBufferOnlyWhenAutoallocateIsTooBig)
{
    const struct {
        const char* name;
        Answer first;
        Answer second;
        std::uint32_t expected;
        std::size_t calls;
    } cases[] = {
        {"autoallocate answers", {kOk, k4000, 4, true}, kUnused, 4000, 1},
        {"autoallocate answers more than a word", {kOk, {1, 2, 3, 4, 5, 6}, 6, true}, kUnused, 0x04030201, 1},
        {"autoallocate answers two bytes", {kOk, {0xA0, 0x0F}, 2, true}, kUnused, 4000, 1},
        {"autoallocate answers nothing", {kOk, {}, 0, true}, kUnused, 0, 1},
        {"autoallocate succeeds without a block", {kOk, {}, 4, false}, kUnused, 0, 1},
        {"attribute unsupported: no second ask", {SCARD_E_UNSUPPORTED_FEATURE, {}, 0, true}, kUnused, 0, 1},
        {"card removed: no second ask", {SCARD_W_REMOVED_CARD, {}, 0, false}, kUnused, 0, 1},
        {"too big, own buffer answers", {kTooSmall, {}, 0, false}, {kOk, k4000, 4, false}, 4000, 2},
        {"too big with a block handed out, own buffer answers", {kTooSmall, {}, 0, true},
         {kOk, {0xF2, 0x0D, 0x00, 0x00}, 4, false}, 3570, 2},
        {"too big, own buffer answers two bytes", {kTooSmall, {}, 0, false},
         {kOk, {0xA0, 0x0F, 0xFF, 0xFF}, 2, false}, 4000, 2},
        {"too big, own buffer answers three bytes", {kTooSmall, {}, 0, false},
         {kOk, {0xA0, 0x0F, 0x01, 0xFF}, 3, false}, 0x010FA0, 2},
        {"too big, own buffer answers nothing", {kTooSmall, {}, 0, false}, {kOk, k4000, 0, false}, 0, 2},
        {"too big, own buffer filled to its end", {kTooSmall, {}, 0, false},
         {kOk, std::vector<BYTE>(kAttributeBufferSize, 0x11), kAttributeBufferSize, false}, 0x11111111, 2},
        {"too big, own buffer claims more than it holds", {kTooSmall, {}, 0, false},
         {kOk, k4000, kAttributeBufferSize + 1, false}, 0, 2},
        {"too big, own buffer too small as well", {kTooSmall, {}, 0, false}, {kTooSmall, {}, 40, false}, 0, 2},
        {"too big, own buffer fails otherwise", {kTooSmall, {}, 0, false},
         {SCARD_E_UNSUPPORTED_FEATURE, k4000, 4, false}, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeResourceManager manager(c.first, c.second);
        const std::uint32_t value = ReadAttributeWord(
            [&manager](LPBYTE pbAttr, LPDWORD pcbAttrLen) { return manager.GetAttrib(pbAttr, pcbAttrLen); },
            [&manager](LPBYTE memory) { manager.FreeMemory(memory); });
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(manager.Calls(), c.calls);
        // SCardFreeMemory after the autoallocating ask, whatever its answer, and never again.
        EXPECT_EQ(manager.Frees(), 1u);
        EXPECT_FALSE(manager.BlockOutstanding());
        if (c.calls == 2) {
            EXPECT_EQ(manager.Room(), kAttributeBufferSize);
        }
    }
}

}  // namespace
