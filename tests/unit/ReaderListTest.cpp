#include "pcsc/ReaderList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct WalkCase {
    const char* name;
    std::string bytes;  // the buffer; its size is the reported length
    std::vector<std::string> expected;
};

TEST(ReaderList, WalksNamesInOrder)
{
    using S = std::string;
    const WalkCase cases[] = {
        {"two readers A and B", S("A\0B\0\0", 5), {"A", "B"}},
        {"length 0", S(), {}},
        {"length 1", S("\0", 1), {}},
        {"NUL at position 0 still starts a name", S("\0B\0\0", 4), {"", "B"}},
        {"only the final NULs", S("\0\0", 2), {""}},
        {"first byte of 128 or more", S("\xC4ra 1\0\x80X\0\0", 10), {"\xC4ra 1", "\x80X"}},
        {"list without its final NUL", S("Reader A\0Reader B", 17), {"Reader A", "Reader B"}},
        {"single name without any NUL", S("Solo", 4), {"Solo"}},
        {"a name in the last byte is read up to the length", S("A\0\0B", 4), {"A", "B"}},
        {"the final NUL is never a start", S("A\0\0", 3), {"A"}},
        {"long names", S(300, 'x') + S("\0y\0\0", 4), {S(300, 'x'), "y"}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Copy into an exactly sized heap block so ASan catches any read beyond the length.
        std::vector<char> buffer(c.bytes.begin(), c.bytes.end());
        const char* data = buffer.empty() ? nullptr : buffer.data();
        EXPECT_EQ(WalkReaderNames(data, static_cast<std::uint32_t>(buffer.size())), c.expected);
    }
}

TEST(ReaderList, NullBufferYieldsNothing)
{
    EXPECT_TRUE(WalkReaderNames(nullptr, 10).empty());
}

}  // namespace
