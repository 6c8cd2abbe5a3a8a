#pragma once
// The row files the pool operators accept, and rows read back from text files.
//
//   Svenska Spel (S, I)   text: the pool name, then "E,1,X,2,..." per row
//   Unibet (T, O)         text: "1,X,2,..." per row
//   Norsk Tipping (A,C,E) NTF: fixed 350-byte records with a checksum, read by
//                         the operator's PC-Bet terminal software
//
// Text files are Windows-1252 with CR LF after every line and show the signs
// with the pool's display strings. Every file is written atomically: on any
// failure the old file stays as it was, and a refused export creates nothing.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "core/signs.h"
#include "core/system_document.h"
#include "output/coupon_layout.h"

namespace vinra::output {

// The [PCBET] values of a settings file (PcBetSettings: coupon_layout.h); a
// file that does not exist gives every default. Throws core::FileError for a file that exists but cannot be read.
PcBetSettings ReadPcBetSettings(const std::filesystem::path& settingsFile);

enum class RowFileFormat { None, SvenskaSpel, Unibet, Ntf };
// The format a pool code gets: S, I Svenska Spel; T, O Unibet; A, C, E NTF; else None.
RowFileFormat RowFileFormatOfPool(std::string_view typ);
// "svenskaspel", "unibet", "ntf", "none".
std::string_view RowFileFormatName(RowFileFormat format);

// Thrown when rows cannot be put into a format (a row of other signs, too many
// matches or rows for the NTF fields). what() says which row and why.
class RowFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a Svenska Spel row file: the pool's name line, then "E," and the
// row's display signs joined by "," per row.
std::string SvenskaSpelRowFile(std::string_view pool, const std::vector<std::string>& rows,
                               const core::DisplaySigns& signs = core::CurrentDisplaySigns());
// The bytes of a Unibet row file: the display signs joined by "," per row.
std::string UnibetRowFile(const std::vector<std::string>& rows,
                          const core::DisplaySigns& signs = core::CurrentDisplaySigns());

constexpr size_t kNtfRecordSize = 350;
constexpr size_t kNtfFieldBytes = 348;
constexpr int kNtfMaxMatches = 13;
// The block number has four digits: at most 9999 blocks of ten rows.
constexpr size_t kNtfMaxRows = 99990;

// The sum of the bytes taken as big-endian 16-bit words, modulo 65536, as two
// raw bytes, high byte first. Meant for the 348 field bytes of a record; an odd
// last byte counts as a high byte.
std::string NtfChecksum(std::string_view fields);
// The header record and one block record per ten rows, each 350 bytes. typ
// chooses the day digit (A midweek, C Saturday, anything else Sunday).
// Throws RowFileError for a row of more than 13 matches, a row with another
// character than the three sign codes, or more than kNtfMaxRows rows.
std::string NtfFile(const std::vector<std::string>& rows, std::string_view typ, const PcBetSettings& pcBet);

enum class ExportStatus {
    Written,     // the file was written
    NoFormat,    // the pool has no row file; nothing was created
    Refused,     // the rows do not fit the format; nothing was created
    WriteFailed  // the file could not be written; an old file is unchanged
};
struct ExportResult {
    ExportStatus status = ExportStatus::NoFormat;
    RowFileFormat format = RowFileFormat::None;
    size_t rowsWritten = 0;
    std::string message;  // what happened, for the user (English)
    bool ok() const { return status == ExportStatus::Written; }
};

// Writes the rows of the document to path in the format of its pool code,
// replacing an existing file. The rows must be rows of the document's N matches.
ExportResult ExportRows(const core::TVinraFile& doc, const std::filesystem::path& path, const PcBetSettings& pcBet,
                        const core::DisplaySigns& signs = core::CurrentDisplaySigns());
// The same in a chosen format (None refuses like a pool without a format).
ExportResult ExportRowsAs(RowFileFormat format, const core::TVinraFile& doc, const std::filesystem::path& path,
                          const PcBetSettings& pcBet, const core::DisplaySigns& signs = core::CurrentDisplaySigns());

// The name Export rows proposes: "<Pool> <Omg> <format>" with ".ntf" for an
// NTF file and ".txt" for the others, in folder. Characters that cannot stand
// in a file name (/ \ : and control characters) become "_".
std::filesystem::path ProposedExportName(const core::TVinraFile& doc, const std::filesystem::path& folder);
// What Export rows says after writing: message 1204 "%d rows were written to
// %s." with the file's full name.
inline constexpr int kMsgRowsExported = 1204;
std::string ExportWrittenText(const ExportResult& result, const std::filesystem::path& path);

// ---- Direct submission of own rows to Svenska Spel ----

inline constexpr const char* kOwnRowsAgent = "41706";

// The own-rows document: one line, no declaration. The card number keeps only
// its digits; the pool name and the signs are escaped.
std::string OwnRowsXml(const core::TVinraFile& doc, std::string_view cardNo,
                       const core::DisplaySigns& signs = core::CurrentDisplaySigns());

enum class SubmissionStatus {
    Accepted,            // the shop took the rows and gave a usable address
    AcceptedWithoutUrl,  // the shop took the rows, but the reply has no complete http(s) address
    Refused              // the reply does not report success
};
struct SubmissionReply {
    SubmissionStatus status = SubmissionStatus::Refused;
    std::string url;  // set only for Accepted
    // Refused: the reason the reply states, <status kod="N">; -1 when it states none.
    int refusal = -1;
};
// Reasons the service states for a refusal.
inline constexpr int kRefusalTooManyRows = 5;
inline constexpr int kRefusalRoundClosed = 6;
// Reads the shop's reply: success is the text <status kod="0">OK</status>; the
// address is the text between the first <url> and the following </url>,
// entities decoded, taken only when it is a complete http:// or https:// address.
SubmissionReply ParseSubmissionReply(std::string_view reply);
// True for an absolute http or https address with a host and no blanks,
// control characters, quotes or angle brackets.
bool IsCompleteHttpUrl(std::string_view url);

// ---- Rows read back from text ----

// The rows of a text: per line the characters 1, X, 2 (x upper-cased) and the
// pool's display characters are kept and converted with the pool's display
// strings (failing that, with 1, X, 2). A line gives a row only when that is
// exactly n signs of the three codes. Rows come in line order, each once.
std::vector<std::string> RowsFromText(std::string_view text, int n,
                                      const core::DisplaySigns& signs = core::CurrentDisplaySigns());
// Adds the rows of a text file (Windows-1252 or UTF-8, any line ends) that the
// document does not have yet, at the end of its row list, and returns how many
// were added. The frame and the order are the caller's (it rebuilds the frame
// and sorts once for all chosen files). Throws core::FileError.
int ImportRowText(core::TVinraFile& doc, const std::filesystem::path& path,
                  const core::DisplaySigns& signs = core::CurrentDisplaySigns());

}  // namespace vinra::output
