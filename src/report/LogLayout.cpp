#include "report/LogLayout.h"

#include "atr/DetailRows.h"
#include "pcsc/AtrBlock.h"
#include "pcsc/HexLine.h"
#include "resource.h"
#include "sysinfo/FirmwareQuery.h"

namespace {

constexpr char kStars[] = "***********************\n";
constexpr char kHyphens[] = "-----------------------\n\n";
constexpr char kFourLineEnds[] = "\n\n\n\n";
constexpr char kVersionSeparator[] = ":  ";
constexpr char kTableRule[] =
    "--------------------------------+----------------------------------------------\n";
constexpr char kFirstColumn[] = "\t\t\t\t|";
constexpr std::int32_t kCardPresent = 1;

LogPiece Text(std::string text)
{
    return LogPiece{std::move(text), 0};
}

LogPiece Id(unsigned id)
{
    return LogPiece{std::string(), id};
}

void AddFileLines(const std::vector<std::string>& fileInfo, LogPieces& pieces)
{
    for (std::size_t i = 0; i < fileInfo.size(); ++i) {
        pieces.push_back(Text(fileInfo[i]));
        pieces.push_back(Text(i % 3 == 2 ? "\n" : "\t"));
    }
}

void AddVersionLine(unsigned labelId, bool shown, const char* version, LogPieces& pieces)
{
    pieces.push_back(Id(labelId));
    pieces.push_back(Text(kVersionSeparator));
    pieces.push_back(shown ? Text(version != nullptr ? version : "") : Id(IDS_NOT_AVAILABLE));
}

void AddTable(const CardAnswer& answer, LogPieces& pieces)
{
    pieces.push_back(Text("\n\n"));
    pieces.push_back(Id(IDS_LOG_TABLE_HEAD));
    pieces.push_back(Text(kTableRule));
    if (answer.contactless) {
        pieces.push_back(Text(std::string("UID") + kFirstColumn));
        // A UID read with no bytes leaves the value empty.
        pieces.push_back(answer.uidRead ? Text(HexLine(answer.uid.data(), answer.uid.size()))
                                        : Id(IDS_NOT_AVAILABLE));
        pieces.push_back(Text("\n"));
    }
    pieces.push_back(Id(IDS_LOG_ATR));
    pieces.push_back(Text(kFirstColumn));
    pieces.push_back(Text(HexLine(answer.atr.data(), answer.atr.size())));
    pieces.push_back(Text("\n"));
    for (const DetailRow& row : PairDetailRows(answer.rows)) {
        pieces.push_back(Text(row.property));
        pieces.push_back(Text(AlignmentPiece(row.property.size())));
        pieces.push_back(Text(row.value));
        pieces.push_back(Text("\n"));
    }
    pieces.push_back(Text("\n\n"));
}

}  // namespace

CardBlockKind ClassifyCardAnswer(bool answered, std::int32_t result, unsigned atrLength)
{
    if (!answered || result != kCardPresent)
        return CardBlockKind::NoCard;
    // Unlike the page, the log writes an answer longer than an ATR can be as it came: all its
    // bytes in the ATR row, and the rows decoded from it.
    return ClassifyAtrLength(atrLength) == AtrLengthKind::NoAtr ? CardBlockKind::UnreadableCard
                                                                : CardBlockKind::CardWithAtr;
}

LogPieces SystemPartPieces(const LogSystemPart& part)
{
    LogPieces pieces = {
        Text(kStars),
        Text("PC/SC Kardoskop v2.1\n"),
        Text(std::string(kStars) + "\n"),
        Id(IDS_LOG_DATE),
        Text(part.dateText),
        Text("\n"),
        Id(IDS_LOG_TIME),
        Text(part.timeText),
        Text("\n\n"),
        Id(IDS_LOG_RM_STATUS),
        Text("  "),
        Text(part.rmStatusText),
        Text(kFourLineEnds),
        Id(IDS_LOG_OS),
        Text(kHyphens),
        Text(part.osText),
        Text(kFourLineEnds),
        Id(IDS_LOG_FILES),
        Text(kHyphens),
    };
    AddFileLines(part.fileInfo, pieces);
    pieces.push_back(Text(kFourLineEnds));
    pieces.push_back(Id(IDS_LOG_READERS));
    pieces.push_back(Text(kHyphens));
    return pieces;
}

LogPieces NoReadersPieces()
{
    return {Id(IDS_NO_READERS)};
}

LogPieces FirmwareNamePieces(const std::string& readerName)
{
    return {Text(readerName), Text("\n")};
}

LogPieces FirmwareVersionPieces(FirmwareQueryStatus status, const char* firmware, const char* emv)
{
    LogPieces pieces;
    AddVersionLine(IDS_LOG_FIRMWARE, status == FwAndEmv || status == FwOnly, firmware, pieces);
    pieces.push_back(Text("\n"));
    AddVersionLine(IDS_LOG_EMV, status == FwAndEmv, emv, pieces);
    pieces.push_back(Text("\n\n"));
    return pieces;
}

LogPieces CardSectionPieces()
{
    return {Text(kFourLineEnds), Id(IDS_LOG_CARDS), Text(kHyphens)};
}

LogPieces CardHeadPieces(const std::string& readerName)
{
    return {Text(readerName), Text(": ")};
}

LogPieces CardBodyPieces(const CardAnswer& answer)
{
    LogPieces pieces;
    switch (answer.kind) {
    case CardBlockKind::CardWithAtr:
        AddTable(answer, pieces);
        break;
    case CardBlockKind::UnreadableCard:
        pieces = {Id(IDS_LOG_CARD_UNREADABLE), Text("\n"), Text("\n\n")};
        break;
    case CardBlockKind::NoCard:
        pieces = {Id(answer.contactless ? IDS_NO_CARD_IN_FIELD : IDS_NO_CARD_INSERTED), Text("\n\n\n")};
        break;
    }
    return pieces;
}

std::string AlignmentPiece(std::size_t length)
{
    if (length < 8)
        return "\t\t\t\t|";
    if (length < 16)
        return "\t\t\t|";
    if (length < 24)
        return "\t\t|";
    return "\t|";
}

std::string PieceText(const LogPiece& piece, const TextSource& text)
{
    if (!piece.text.empty())
        return piece.text;
    return piece.id != 0 ? text(piece.id) : std::string();
}

std::string FileBytes(const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

std::string OpenFailedMessage(const std::string& path, const TextSource& text)
{
    return text(IDS_THE_FILE) + " " + path + text(IDS_CANNOT_OPEN);
}

std::string WriteFailedMessage(const std::string& path, const TextSource& text)
{
    return text(IDS_THE_FILE) + " " + path + text(IDS_NOT_WRITTEN_COMPLETELY);
}
