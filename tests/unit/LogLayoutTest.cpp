#include "report/LogLayout.h"

#include "sysinfo/FirmwareQuery.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kNotAvailable = "nicht verf\xFCgbar";
const std::string kReader = "Talvek CCR 4000 0";
const std::string kRfReader = "Talvek CLR 2000-RF 0";

// What the pieces put into the file before the line ends are converted, with the German texts.
std::string Render(const LogPieces& pieces)
{
    std::string text;
    for (const LogPiece& piece : pieces)
        text += PieceText(piece, LoadText);
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

// The column at which text after `line` starts, with tab stops every 8 columns.
std::size_t EndColumn(const std::string& line)
{
    std::size_t column = 0;
    for (char c : line)
        column = c == '\t' ? (column / 8 + 1) * 8 : column + 1;
    return column;
}

LogSystemPart ExampleSystem()
{
    LogSystemPart part;
    part.dateText = "Montag, 8. Dezember 2025";
    part.timeText = "20:49:07";
    part.rmStatusText = "OK";
    part.osText = "Windows 7, Version 6.01, Product = 0x01, Suite = 0x100\n(Build 7601 Service Pack 1)";
    part.fileInfo = {"scardsvr.exe", kNotAvailable, "",
                     "smclib.sys",   kNotAvailable, "",
                     "winscard.dll", "5.1.2600.2180", "Microsoft Corporation"};
    return part;
}

CardAnswer ContactCard()
{
    CardAnswer answer;
    answer.kind = CardBlockKind::CardWithAtr;
    answer.atr = {0x3B, 0x02, 0x14, 0x50};
    answer.rows = {"Konvention", "direkt", "Protokoll", "T=0", "Taktfrequenz (MHz)", "4.00",
                   "(TA1) \xDC" "bertragungsfaktor D", "1"};
    return answer;
}

TEST(LogLayout, SystemPartIsLaidOutAsTheReportBegins)
{
    const std::string expected =
        "***********************\n"
        "PC/SC Kardoskop v2.1\n"
        "***********************\n"
        "\n"
        "Datum:\t\tMontag, 8. Dezember 2025\n"
        "Uhrzeit:\t20:49:07\n"
        "\n"
        "Resource Manager Status:  OK\n"
        "\n\n\n"
        "Betriebssystem:\n"
        "-----------------------\n"
        "\n"
        "Windows 7, Version 6.01, Product = 0x01, Suite = 0x100\n"
        "(Build 7601 Service Pack 1)\n"
        "\n\n\n"
        "Dateien:\n"
        "-----------------------\n"
        "\n"
        "scardsvr.exe\tnicht verf\xFCgbar\t\n"
        "smclib.sys\tnicht verf\xFCgbar\t\n"
        "winscard.dll\t5.1.2600.2180\tMicrosoft Corporation\n"
        "\n\n\n\n"
        "Angeschlossene Leser:\n"
        "-----------------------\n"
        "\n";
    EXPECT_EQ(Render(SystemPartPieces(ExampleSystem())), expected);
}

TEST(LogLayout, HeadingsComeFromTheStringTable)
{
    // Loaded when written, so the English module changes them; the literals stay. A table that
    // answers every id with its number shows which text stands where.
    const TextSource numbered = [](unsigned id) { return "<" + std::to_string(id) + ">"; };
    std::string text;
    for (const LogPiece& piece : SystemPartPieces(ExampleSystem()))
        text += PieceText(piece, numbered);
    const std::vector<std::string> lines = Lines(text);
    const struct {
        const char* name;
        std::size_t line;
        std::string text;
    } cases[] = {
        {"title: a literal", 1, "PC/SC Kardoskop v2.1"},
        {"date", 4, "<148>Montag, 8. Dezember 2025"},
        {"time", 5, "<149>20:49:07"},
        {"resource-manager status", 7, "<167>  OK"},
        {"operating system, its rule a literal", 11, "<150>-----------------------"},
        {"files", 18, "<151>-----------------------"},
        {"readers", 27, "<153>-----------------------"},
    };
    ASSERT_GT(lines.size(), 27u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lines[c.line], c.text);
    }
}

TEST(LogLayout, EmptyDynamicTextsWriteNothing)
{
    LogSystemPart part = ExampleSystem();
    part.dateText.clear();
    part.timeText.clear();
    part.rmStatusText.clear();
    const std::vector<std::string> lines = Lines(Render(SystemPartPieces(part)));
    EXPECT_EQ(lines[4], "Datum:\t\t");
    EXPECT_EQ(lines[5], "Uhrzeit:\t");
    EXPECT_EQ(lines[7], "Resource Manager Status:  ");
}

TEST(LogLayout, FileLinesEndAfterEveryThirdText)
{
    const struct {
        const char* name;
        std::vector<std::string> fileInfo;
        std::string lines;
    } cases[] = {
        {"no files", {}, ""},
        {"one file with maker", {"winscard.dll", "5.1", "Microsoft"}, "winscard.dll\t5.1\tMicrosoft\n"},
        {"unreadable file: empty maker leaves the tab", {"smclib.sys", kNotAvailable, ""},
         "smclib.sys\t" + kNotAvailable + "\t\n"},
        {"two files: the counter starts again", {"a", "1", "m", "b", "2", ""}, "a\t1\tm\nb\t2\t\n"},
        {"incomplete last triple has no line end", {"a", "1", "m", "b"}, "a\t1\tm\nb\t"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogSystemPart part = ExampleSystem();
        part.fileInfo = c.fileInfo;
        const std::string text = Render(SystemPartPieces(part));
        const std::string head = "Dateien:\n-----------------------\n\n";
        const std::size_t from = text.find(head) + head.size();
        const std::size_t to = text.rfind("\n\n\n\nAngeschlossene Leser:");
        ASSERT_NE(to, std::string::npos);
        EXPECT_EQ(text.substr(from, to - from), c.lines);
    }
}

TEST(LogLayout, FirmwareLinesShowWhatTheStatusVouchesFor)
{
    const struct {
        const char* name;
        FirmwareQueryStatus status;
        std::string expected;
    } cases[] = {
        {"firmware and EMV", FwAndEmv, "Firmware Version:  1.02.03.04\nEMV Version:  1.00.00.00\n\n"},
        {"firmware only: stale EMV buffer is not shown", FwOnly,
         "Firmware Version:  1.02.03.04\nEMV Version:  " + kNotAvailable + "\n\n"},
        {"query failed", FwQueryFailed,
         "Firmware Version:  " + kNotAvailable + "\nEMV Version:  " + kNotAvailable + "\n\n"},
        {"entry missing", FwEntryMissing,
         "Firmware Version:  " + kNotAvailable + "\nEMV Version:  " + kNotAvailable + "\n\n"},
        {"library missing", FwLibraryMissing,
         "Firmware Version:  " + kNotAvailable + "\nEMV Version:  " + kNotAvailable + "\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Render(FirmwareVersionPieces(c.status, "1.02.03.04", "1.00.00.00")), c.expected);
    }
    EXPECT_EQ(Render(FirmwareNamePieces(kReader)), kReader + "\n");
}

TEST(LogLayout, CardBlocksWithoutATable)
{
    const struct {
        const char* name;
        CardBlockKind kind;
        bool contactless;
        std::string expected;
    } cases[] = {
        {"empty contact slot", CardBlockKind::NoCard, false, "Keine Karte gesteckt\n\n\n"},
        {"empty contactless field", CardBlockKind::NoCard, true, "Keine Karte im Feld\n\n\n"},
        {"ATR of length 0, contact", CardBlockKind::UnreadableCard, false, "Karte nicht lesbar\n\n\n"},
        {"ATR of length 0, contactless", CardBlockKind::UnreadableCard, true, "Karte nicht lesbar\n\n\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CardAnswer answer;
        answer.kind = c.kind;
        answer.contactless = c.contactless;
        answer.atr = {0x3B, 0x00};  // never shown without a table
        EXPECT_EQ(Render(CardHeadPieces(kReader)) + Render(CardBodyPieces(answer)),
                  kReader + ": " + c.expected);
    }
}

TEST(LogLayout, ClassifiesTheOneShotAnswer)
{
    const struct {
        const char* name;
        bool answered;
        std::int32_t result;
        unsigned length;
        CardBlockKind expected;
    } cases[] = {
        {"card with ATR", true, 1, 4, CardBlockKind::CardWithAtr},
        {"card with the longest ATR", true, 1, 33, CardBlockKind::CardWithAtr},
        {"card with an answer too long for an ATR: written as it came", true, 1, 34,
         CardBlockKind::CardWithAtr},
        {"card with the longest answer", true, 1, 36, CardBlockKind::CardWithAtr},
        {"card without ATR", true, 1, 0, CardBlockKind::UnreadableCard},
        {"reader empty", true, 2, 0, CardBlockKind::NoCard},
        {"reader empty, stale ATR in the block", true, 2, 4, CardBlockKind::NoCard},
        {"unknown result", true, 0, 4, CardBlockKind::NoCard},
        {"time-out: the block is not looked at", false, 1, 4, CardBlockKind::NoCard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyCardAnswer(c.answered, c.result, c.length), c.expected);
    }
}

TEST(LogLayout, ContactCardTable)
{
    const std::string expected =
        "\n\n"
        "Eigenschaft\t\t        |Wert\n"
        "--------------------------------+----------------------------------------------\n"
        "ATR\t\t\t\t|3b 02 14 50\n"
        "Konvention\t\t\t|direkt\n"
        "Protokoll\t\t\t|T=0\n"
        "Taktfrequenz (MHz)\t\t|4.00\n"
        "(TA1) \xDC" "bertragungsfaktor D\t|1\n"
        "\n\n";
    EXPECT_EQ(Render(CardBodyPieces(ContactCard())), expected);
}

TEST(LogLayout, OddNumberOfRowTextsEndsWithALineOfOnlyAProperty)
{
    CardAnswer answer = ContactCard();
    answer.rows = {"Konvention", "direkt", "Protokoll"};
    const std::vector<std::string> lines = Lines(Render(CardBodyPieces(answer)));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[5], "Konvention\t\t\t|direkt");
    EXPECT_EQ(lines[6], "Protokoll\t\t\t|");
    EXPECT_EQ(lines[7], "");
}

TEST(LogLayout, ContactlessTableStartsWithTheUid)
{
    const struct {
        const char* name;
        bool uidRead;
        std::vector<unsigned char> uid;
        std::string uidLine;
    } cases[] = {
        {"UID read", true, {0x04, 0xA1, 0xB2, 0xC3}, "UID\t\t\t\t|04 a1 b2 c3"},
        {"UID read with no bytes", true, {}, "UID\t\t\t\t|"},
        {"UID failed", false, {}, "UID\t\t\t\t|" + kNotAvailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CardAnswer answer = ContactCard();
        answer.contactless = true;
        answer.uidRead = c.uidRead;
        answer.uid = c.uid;
        const std::vector<std::string> lines = Lines(Render(CardBodyPieces(answer)));
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(lines[2], "Eigenschaft\t\t        |Wert");
        EXPECT_EQ(lines[4], c.uidLine);
        EXPECT_EQ(lines[5], "ATR\t\t\t\t|3b 02 14 50");
    }
}

TEST(LogLayout, LongAnswersAreWrittenWhole)
{
    // An answer beyond 33 bytes, and a UID beyond what a 260-character field holds.
    CardAnswer answer = ContactCard();
    answer.contactless = true;
    answer.atr.assign(36, 0x3B);
    answer.uidRead = true;
    answer.uid.assign(255, 0xAB);
    const std::vector<std::string> lines = Lines(Render(CardBodyPieces(answer)));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[4].size(), 8 + 255 * 3 - 1);  // "UID", four tabs, bar
    EXPECT_EQ(lines[5].size(), 8 + 36 * 3 - 1);  // "ATR", four tabs, bar
}

TEST(LogLayout, AlignmentPutsTheBarIntoColumn32)
{
    const struct {
        const char* name;
        std::string property;
        const char* piece;
    } cases[] = {
        {"empty", "", "\t\t\t\t|"},
        {"TC3", "TC3", "\t\t\t\t|"},
        {"7 characters", "1234567", "\t\t\t\t|"},
        {"8 characters", "12345678", "\t\t\t|"},
        {"Protokoll", "Protokoll", "\t\t\t|"},
        {"15 characters", "123456789012345", "\t\t\t|"},
        {"16 characters", "1234567890123456", "\t\t|"},
        {"Taktfrequenz (MHz)", "Taktfrequenz (MHz)", "\t\t|"},
        {"23 characters", "12345678901234567890123", "\t\t|"},
        {"24 characters", "123456789012345678901234", "\t|"},
        {"umlaut counts as one", "(TA1) \xDC" "bertragungsfaktor D", "\t|"},
        {"31 characters", "1234567890123456789012345678901", "\t|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string piece = AlignmentPiece(c.property.size());
        EXPECT_EQ(piece, c.piece);
        EXPECT_EQ(EndColumn(c.property + piece), 33u);
    }
    // The table head puts its bar into the same column.
    EXPECT_EQ(EndColumn(LoadText(154).substr(0, LoadText(154).find('|') + 1)), 33u);
    EXPECT_EQ(EndColumn("--------------------------------+"), 33u);
}

TEST(LogLayout, FileBytesStoreEveryLineEndAsCrLf)
{
    const struct {
        const char* name;
        std::string text;
        std::string bytes;
    } cases[] = {
        {"no line end", "Datum:\t\t", "Datum:\t\t"},
        {"empty", "", ""},
        {"one line end", "\n", "\r\n"},
        {"four line ends", "\n\n\n\n", "\r\n\r\n\r\n\r\n"},
        {"inside a text", "Windows 7\n(Build 7601)", "Windows 7\r\n(Build 7601)"},
        {"Windows-1252 bytes untouched", "verf\xFCgbar\n", "verf\xFCgbar\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileBytes(c.text), c.bytes);
    }
}

// The file of the example with one contact reader holding a card, assembled as the writer runs.
std::string ExampleFile(bool readersAvailable, const std::vector<std::string>& readers)
{
    std::string text = Render(SystemPartPieces(ExampleSystem()));
    if (!readersAvailable)
        return FileBytes(text + Render(NoReadersPieces()));
    for (const std::string& reader : readers)
        text += Render(FirmwareNamePieces(reader)) +
                Render(FirmwareVersionPieces(FwAndEmv, "1.02.03.04", "1.00.00.00"));
    text += Render(CardSectionPieces());
    for (const std::string& reader : readers)
        text += Render(CardHeadPieces(reader)) + Render(CardBodyPieces(ContactCard()));
    return FileBytes(text);
}

TEST(LogLayout, WholeFileOfOneContactReaderHasTheReportsLineNumbers)
{
    const std::string bytes = ExampleFile(true, {kReader});
    for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && bytes[at - 1] == '\r') << "bare LF at byte " << at;
    std::string text;
    for (char c : bytes) {
        if (c != '\r')
            text += c;
    }
    const std::vector<std::string> lines = Lines(text);  // lines[0] is line 1
    auto line = [&lines](std::size_t number) { return lines.at(number - 1); };
    EXPECT_EQ(line(8), "Resource Manager Status:  OK");
    for (std::size_t n : {4u, 7u, 9u, 10u, 11u, 14u, 17u, 18u, 19u, 22u, 26u, 27u, 28u, 29u, 32u, 36u,
                          37u, 38u, 39u, 40u, 43u, 45u})
        EXPECT_EQ(line(n), "") << "line " << n;
    EXPECT_EQ(line(12), "Betriebssystem:");
    EXPECT_EQ(line(16), "(Build 7601 Service Pack 1)");
    EXPECT_EQ(line(20), "Dateien:");
    EXPECT_EQ(line(25), "winscard.dll\t5.1.2600.2180\tMicrosoft Corporation");
    EXPECT_EQ(line(30), "Angeschlossene Leser:");
    EXPECT_EQ(line(33), kReader);
    EXPECT_EQ(line(34), "Firmware Version:  1.02.03.04");
    EXPECT_EQ(line(35), "EMV Version:  1.00.00.00");
    EXPECT_EQ(line(41), "Karteninformationen:");
    EXPECT_EQ(line(42), "-----------------------");
    EXPECT_EQ(line(44), kReader + ": ");
    EXPECT_EQ(line(46), "Eigenschaft\t\t        |Wert");
    EXPECT_EQ(line(48), "ATR\t\t\t\t|3b 02 14 50");
    // Four detail rows, two empty lines, and nothing after the last piece.
    EXPECT_EQ(lines.size(), 48u + 4u + 2u + 1u);
    EXPECT_EQ(bytes.substr(bytes.size() - 6), "\r\n\r\n\r\n");
}

TEST(LogLayout, FileEndsForMissingReaders)
{
    const std::string heading = "Angeschlossene Leser:\r\n-----------------------\r\n\r\n";
    const struct {
        const char* name;
        bool readersAvailable;
        std::string ending;
    } cases[] = {
        {"no reader list: no line end after the text, no card section", false,
         heading + "Keine Leser verf\xFCgbar"},
        {"no supported reader: the card section stays empty", true,
         heading + "\r\n\r\n\r\n\r\nKarteninformationen:\r\n-----------------------\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = ExampleFile(c.readersAvailable, {});
        ASSERT_GE(bytes.size(), c.ending.size());
        EXPECT_EQ(bytes.substr(bytes.size() - c.ending.size()), c.ending);
        EXPECT_EQ(bytes.find("Karteninformationen") != std::string::npos, c.readersAvailable);
    }
}

TEST(LogLayout, FailureMessagesNameThePath)
{
    EXPECT_EQ(OpenFailedMessage("Z:\\tmp\\a.log", LoadText),
              "Die Datei Z:\\tmp\\a.log kann nicht ge\xF6" "ffnet werden.");
    EXPECT_EQ(WriteFailedMessage("Z:\\tmp\\a.log", LoadText),
              "Die Datei Z:\\tmp\\a.log konnte nicht vollst\xE4ndig geschrieben werden.");
}

}  // namespace
