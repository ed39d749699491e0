#include "ui/CGeneralPageTexts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string kNoReaders = "Keine Leser verf\xfc" "gbar";

// A multi-string as the resource manager delivers it: names, NUL after each, one more NUL.
std::string MultiString(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        text += name;
        text += '\0';
    }
    text += '\0';
    return text;
}

TEST(CGeneralPageTexts, ReadersTextListsSupportedNamesOnePerLine)
{
    struct Case {
        const char* name;
        std::vector<std::string> readers;
        std::string expected;
    };
    const Case cases[] = {
        {"only the second of two passes: no break before it",
         {"Other Maker Reader 0", "Talvek CCR 4000 0"}, "Talvek CCR 4000 0"},
        {"one passing name: no break after it", {"Talvek CLR 2000-RF 0"}, "Talvek CLR 2000-RF 0"},
        {"two passing names around another maker's",
         {"Talvek CCR 4000 0", "Other Maker Reader 1", "Morvex 7150 2"},
         "Talvek CCR 4000 0\r\nMorvex 7150 2"},
        {"three passing names", {"Morvex 7260 0", "Talvek A 1", "Talvek B-RF 2"},
         "Morvex 7260 0\r\nTalvek A 1\r\nTalvek B-RF 2"},
        {"none of the maker's", {"Other Maker Reader 0", "Another 1"}, ""},
        {"maker's name in capitals is another maker", {"TALVEK CCR 0"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string multi = MultiString(c.readers);
        EXPECT_EQ(ComposeReadersText(true, multi.data(), static_cast<std::uint32_t>(multi.size()), kNoReaders),
                  c.expected);
    }
}

TEST(CGeneralPageTexts, ReadersTextWithoutReaderListIsTheNoReadersText)
{
    const std::string multi = MultiString({"Talvek CCR 4000 0"});
    EXPECT_EQ(ComposeReadersText(false, multi.data(), static_cast<std::uint32_t>(multi.size()), kNoReaders),
              kNoReaders);
    EXPECT_EQ(ComposeReadersText(false, nullptr, 0, kNoReaders), kNoReaders);
}

TEST(CGeneralPageTexts, ReadersTextReadsNoFurtherThanTheLength)
{
    struct Case {
        const char* name;
        const char* readers;
        std::uint32_t length;
        std::string expected;
    };
    // The buffer goes on past the length with a name that must not appear.
    static const char kBuffer[] = "Talvek A 0\0Talvek B 1\0\0";
    const Case cases[] = {
        {"no multi-string at all", nullptr, 0, ""},
        {"length 0", kBuffer, 0, ""},
        {"length ends after the first name's NUL", kBuffer, 11, "Talvek A 0"},
        {"length ends inside the second name", kBuffer, 19, "Talvek A 0\r\nTalvek B"},
        {"cut second name no longer supported", kBuffer, 15, "Talvek A 0"},
        {"whole list", kBuffer, static_cast<std::uint32_t>(sizeof kBuffer - 1), "Talvek A 0\r\nTalvek B 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ComposeReadersText(true, c.readers, c.length, kNoReaders), c.expected);
    }
}

TEST(CGeneralPageTexts, SystemFilesInQueryOrder)
{
    struct Case {
        const char* name;
        bool isVista;
        const char* servicePath;
        const char* serviceName;
    };
    const Case cases[] = {
        {"Vista queries the service DLL", true, "\\scardsvr.dll", "scardsvr.dll"},
        {"every other system the service program", false, "\\scardsvr.exe", "scardsvr.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto files = SystemFilesToQuery(c.isVista);
        EXPECT_STREQ(files[0].queryPath, c.servicePath);
        EXPECT_STREQ(files[0].shownName, c.serviceName);
        EXPECT_STREQ(files[1].queryPath, "\\drivers\\smclib.sys");
        EXPECT_STREQ(files[1].shownName, "smclib.sys");
        EXPECT_STREQ(files[2].queryPath, "\\winscard.dll");
        EXPECT_STREQ(files[2].shownName, "winscard.dll");
    }
}

TEST(CGeneralPageTexts, FileTextIsCutTo49Characters)
{
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"short", "5.1.2600.2180", "5.1.2600.2180"},
        {"48 characters", std::string(48, 'a'), std::string(48, 'a')},
        {"49 characters shown whole", std::string(49, 'b'), std::string(49, 'b')},
        {"50 characters lose the last", std::string(49, 'c') + "X", std::string(49, 'c')},
        {"much longer", std::string(300, 'd'), std::string(49, 'd')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char field[kFileTextSize];
        std::memset(field, 'Z', sizeof field);  // stale contents must not survive
        CopyFileText(field, c.text);
        EXPECT_EQ(std::string(field), c.expected);
        for (std::size_t i = c.expected.size(); i < kFileTextSize; ++i)
            EXPECT_EQ(field[i], '\0') << "at " << i;
    }
}

TEST(CGeneralPageTexts, FileInfoKeepsMakerOnlyWhenItDiffersFromVersion)
{
    const std::string na = "nicht verf\xfc" "gbar";
    struct Case {
        const char* name;
        const char* version;
        const char* maker;
        const char* loggedMaker;
    };
    const Case cases[] = {
        {"readable file", "5.1.2600.2180", "Microsoft Corporation", "Microsoft Corporation"},
        {"unreadable file: not available once", na.c_str(), na.c_str(), ""},
        {"version equals maker", "X", "X", ""},
        {"empty maker", "1.0", "", ""},
        {"maker differs only in case", "abc", "ABC", "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> info = {"earlier", "row", ""};
        AppendFileInfo(info, "winscard.dll", c.version, c.maker);
        const std::vector<std::string> expected = {"earlier", "row", "", "winscard.dll", c.version, c.loggedMaker};
        EXPECT_EQ(info, expected);
    }
}

}  // namespace
