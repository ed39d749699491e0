#include "sysinfo/ReaderTests.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
    const char* name;
    std::string readerName;
    bool supported;
    bool contactless;
    std::string display;
};

TEST(ReaderTests, ClassifiesAndNamesReaders)
{
    using S = std::string;
    const NameCase cases[] = {
        {"maker's contact reader", "Talvek Model X 0", true, false, "Model X 0"},
        {"maker's contactless reader", "Talvek CLR 2000-RF 0", true, true, "CLR 2000-RF 0"},
        {"model 7150 keeps its whole name", "Morvex 7150 0", true, false, "Morvex 7150 0"},
        {"model 7260 keeps its whole name", "Morvex 7260 0", true, false, "Morvex 7260 0"},
        {"model name alone", "Morvex 7150", true, false, "Morvex 7150"},
        {"model inside a longer name", "USB Morvex 7260-RF 1", true, true, "USB Morvex 7260-RF 1"},
        {"maker's name in lower case", "talvek Model X 0", false, false, ""},
        {"maker's name in capitals", "TALVEK Model X 0", false, false, ""},
        {"model in lower case", "morvex 7150 0", false, false, ""},
        {"other model of the family", "Morvex 7151 0", false, false, ""},
        {"model without its blank", "Morvex7150 0", false, false, ""},
        {"maker's name not at the start still drops seven", "ACME Talvek CCR 0", true, false,
         "lvek CCR 0"},
        {"maker's name wins over a model", "Talvek Morvex 7150 0", true, false, "Morvex 7150 0"},
        {"maker's name alone (six characters)", "Talvek", true, false, ""},
        {"maker's name and blank only", "Talvek ", true, false, ""},
        {"one character after the prefix", "Talvek X", true, false, "X"},
        {"maker's name at the very end", "XYZ Talvek", true, false, "vek"},
        {"other maker's contactless reader", "Other Reader-RF 0", false, true, ""},
        {"contactless mark in lower case", "Talvek CLR-rf 0", true, false, "CLR-rf 0"},
        {"empty name", "", false, false, ""},
        {"display name of 99 characters stays whole", "Talvek " + S(99, 'x'), true, false,
         S(99, 'x')},
        {"maker's name: cut to 99", "Talvek " + S(150, 'x'), true, false, S(99, 'x')},
        {"model: cut to 99", "Morvex 7150 " + S(100, 'y'), true, false,
         "Morvex 7150 " + S(87, 'y')},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSupportedReader(c.readerName), c.supported);
        EXPECT_EQ(IsContactlessReader(c.readerName), c.contactless);
        EXPECT_EQ(ReaderDisplayName(c.readerName), c.display);
    }
}

}  // namespace
