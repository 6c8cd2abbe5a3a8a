#pragma once
// Text at the file edge: the program works in UTF-8, the files it shares with
// other installations are Windows-1252 with CR LF line ends.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vinra::core {

// Raised for files that cannot be read or written; what() names the file and the problem.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Windows-1252 bytes to UTF-8. The five bytes without a character (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become U+FFFD.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to Windows-1252. Characters without a Windows-1252 byte, and invalid
// UTF-8 sequences, become "?".
std::string Utf8ToCp1252(std::string_view utf8);

// One code point as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// The code point of the UTF-8 sequence at text[i]: its length, or 0 when no
// valid sequence starts there.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& cp);

// True when the bytes start with a UTF-8 byte order mark.
bool HasUtf8Bom(std::string_view bytes);
// True when the bytes are valid UTF-8 and hold at least one non-ASCII byte.
bool IsUtf8WithNonAscii(std::string_view bytes);
// The text of a file as UTF-8: a BOM is dropped and the rest taken as UTF-8;
// valid UTF-8 with non-ASCII bytes is taken as UTF-8; anything else is Windows-1252.
std::string DecodeFileText(std::string_view bytes);

// The bytes a text is saved as in a shared file: Windows-1252, unless those
// bytes would be taken for UTF-8 by DecodeFileText (Windows-1252 text such as
// "CafÃ©" is also valid UTF-8); then UTF-8 with a BOM, so the file reads back
// as the text that was saved. Text holding characters without a Windows-1252
// byte is saved as UTF-8 with a BOM too, so nothing is lost; only invalid
// UTF-8 sequences become "?".
std::string EncodeFileText(std::string_view utf8);

// Splits at CR LF, CR or LF. A final line break does not start an empty last line.
std::vector<std::string> SplitLines(std::string_view text);
// Every line followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);
// Replaces CR LF, CR and LF by the given text.
std::string ReplaceLineBreaks(std::string_view text, std::string_view with);

// Text made safe for HTML and XML content and attribute values: & < > " ' as
// references (the apostrophe as &#39;, which HTML 4 knows too); control
// characters XML 1.0 cannot carry (all but tab, LF, CR) are dropped.
std::string EscapeMarkup(std::string_view text);

// Whole file as bytes; throws FileError when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes bytes to a temporary file in the same folder and renames it over the
// target, so the target is either the old file or the whole new one.
// A symbolic link is followed (the file it points at is replaced, the link
// stays); an existing file keeps its mode and, where allowed, its owner; a pipe
// or character device (/dev/stdout, /dev/null) is written directly; a folder,
// socket or block device is refused. Temporary files that a killed write to the
// same target left behind are removed.
// Throws FileError; on failure the old file is left as it was.
void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Many files written as WriteFileAtomic writes one, with one flush to the disk
// for them all instead of one per file. Add writes a file's bytes to its
// temporary file (throws FileError as WriteFileAtomic does); Commit syncs their
// file system once, renames each over its target in the order added and syncs
// each folder once. A crash at any moment leaves every target as it was or
// whole. Temporary files of a batch never committed are removed.
class AtomicWriteBatch {
public:
    struct Failure {
        std::filesystem::path path;  // as given to Add
        std::string reason;
    };

    AtomicWriteBatch();
    ~AtomicWriteBatch();
    AtomicWriteBatch(const AtomicWriteBatch&) = delete;
    AtomicWriteBatch& operator=(const AtomicWriteBatch&) = delete;

    void Add(const std::filesystem::path& path, std::string_view bytes);
    // Files added and not yet committed (each holds an open file until then).
    size_t PendingCount() const;
    // The targets not replaced, or whose replacement may not be durable, with
    // the reason; after the first failed rename the later files are dropped.
    std::vector<Failure> Commit();

private:
    struct Pending;
    std::unique_ptr<Pending> pending_;
};

// ASCII-only helpers (the program's keys and codes are ASCII).
std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string_view Trim(std::string_view s);
// Upper-cases letters including the Latin-1 ones of Windows-1252 (å -> Å),
// on UTF-8 text.
std::string ToUpperText(std::string_view utf8);

}  // namespace vinra::core
