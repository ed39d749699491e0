#include "pcsc/AtrBlock.h"

#include <gtest/gtest.h>

namespace {

TEST(AtrBlock, ClassifiesTheLengthByte)
{
    const struct {
        const char* name;
        unsigned length;
        AtrLengthKind expected;
    } cases[] = {
        {"no answer", 0, AtrLengthKind::NoAtr},
        {"shortest ATR", 1, AtrLengthKind::CardAtr},
        {"usual contact ATR", 13, AtrLengthKind::CardAtr},
        {"longest ATR a card can give", 33, AtrLengthKind::CardAtr},
        {"one byte beyond an ATR", 34, AtrLengthKind::TooLong},
        {"longest answer a block carries", 36, AtrLengthKind::TooLong},
        {"length byte above what a block carries", 255, AtrLengthKind::TooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyAtrLength(c.length), c.expected);
    }
}

}  // namespace
