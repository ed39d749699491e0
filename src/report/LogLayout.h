#pragma once
// The layout of the log file, piece by piece. Every piece is written with one call of
// WriteStringToFile: a string-table piece carries only its id (the text comes from the resource
// module in use when it is written), a literal or dynamic piece only its text, so a dynamic text
// that is empty writes nothing. Pieces end their lines with "\n" alone; the file turns each of
// them into CR LF (FileBytes). Pure: no platform calls.

#include "win/TextSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Defined in sysinfo/FirmwareQuery.h, which brings in the platform's headers on Windows.
enum FirmwareQueryStatus : int;

struct LogPiece {
    std::string text;  // written unchanged when not empty
    unsigned id = 0;   // string-table text written when `text` is empty; 0: nothing
};

using LogPieces = std::vector<LogPiece>;

// What the header and the system part show.
struct LogSystemPart {
    std::string dateText;
    std::string timeText;
    std::string rmStatusText;
    std::string osText;
    std::vector<std::string> fileInfo;  // three per file: name, version, maker or ""
};

// How the one-shot query of a reader ended, as far as the card block cares.
enum class CardBlockKind {
    CardWithAtr,     // card present, answer of length 1 or more (even one too long for an ATR)
    UnreadableCard,  // card present, ATR of length 0
    NoCard,          // reader empty, another answer, or no answer within the wait
};

// The one-shot result is looked at only when the wait returned signalled.
CardBlockKind ClassifyCardAnswer(bool answered, std::int32_t result, unsigned atrLength);

// What the card block of one reader shows.
struct CardAnswer {
    CardBlockKind kind = CardBlockKind::NoCard;
    bool contactless = false;
    std::vector<unsigned char> atr;  // the ATR bytes (without the length byte)
    bool uidRead = false;            // contactless only: ReadUid succeeded
    std::vector<unsigned char> uid;
    std::vector<std::string> rows;  // decoded ATR: property and value alternating
};

// Pieces 1 to 23: title, date and time, resource-manager status, OS text, file lines and the
// heading of the reader section.
LogPieces SystemPartPieces(const LogSystemPart& part);

// Piece 24: what stands under the reader heading when the resource manager gave no reader list.
LogPieces NoReadersPieces();

// The first line of a reader's firmware block: the full PC/SC name.
LogPieces FirmwareNamePieces(const std::string& readerName);

// The two version lines of a firmware block and the empty line after them. `firmware` and `emv`
// are the texts the query wrote; only those the status vouches for are shown.
LogPieces FirmwareVersionPieces(FirmwareQueryStatus status, const char* firmware, const char* emv);

// Pieces 26 to 28: the empty lines after the firmware blocks and the card-section heading.
LogPieces CardSectionPieces();

// The start of a reader's card block, written before its card is asked for.
LogPieces CardHeadPieces(const std::string& readerName);

// The rest of a reader's card block.
LogPieces CardBodyPieces(const CardAnswer& answer);

// The tabs and bar that put the value column of a table line at column 33 (tab stops of 8) after
// a property text of `length` characters.
std::string AlignmentPiece(std::size_t length);

// The text that writing `piece` puts into the file, before its line ends are converted.
std::string PieceText(const LogPiece& piece, const TextSource& text);

// The bytes a text becomes in the file: every LF stored as CR LF, as the C runtime's text mode
// stores it; nothing else changes.
std::string FileBytes(const std::string& text);

// Message texts: the file cannot be opened; the file was opened but a piece or the close failed.
std::string OpenFailedMessage(const std::string& path, const TextSource& text);
std::string WriteFailedMessage(const std::string& path, const TextSource& text);
