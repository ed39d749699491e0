#include "pcsc/AtrBlock.h"

AtrLengthKind ClassifyAtrLength(unsigned length)
{
    if (length == 0)
        return AtrLengthKind::NoAtr;
    return length <= kLongestCardAtr ? AtrLengthKind::CardAtr : AtrLengthKind::TooLong;
}
