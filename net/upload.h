#pragma once
// Upload of a saved system to the maker's web service, which answers with the
// address of a live-check page for it.
//
// A system of at most 5000 rows goes up as its saved .1x2 file; a larger one as
// text part files of at most 20 000 rows each (TVinraFile::SplitRowsToFiles).
// The service answers with one JSON object: {"status":"200",...,"link":"..."}
// on success, {"status":"404"} for a wrong key.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/system_document.h"
#include "net/http.h"

namespace vinra::net {

// Systems above this many rows are sent as part files.
inline constexpr size_t kUploadWholeFileMaxRows = 5000;
inline constexpr const char* kUploadPath = "/systems/apiImportVinra/";

struct UploadAccount {
    std::string userName;
    std::string apiKey;
};

// host (scheme and authority, a trailing "/" is dropped) + the upload path +
// "1" for a whole system file, "0" for a part file.
std::string UploadAddress(std::string_view host, bool wholeFile);

// The multipart body: _method=POST, data[username], data[apikey], then the
// file as data[file] with its name and content type application/octet-stream.
// Quotes and line breaks are taken out of the file name so it cannot break
// the part's header.
TMsMultiPartFormDataStream UploadBody(const UploadAccount& account, const std::string& fileName,
                                      const std::string& bytes, std::string boundary = {});

// Posts one file. The reply comes back as received (status and body); use
// ParseUploadReply on it. Throws core::FileError when the file cannot be read
// and NetError for a failed transfer.
HttpReply UploadSystem(std::string_view host, const UploadAccount& account, const std::filesystem::path& file,
                       bool wholeFile);

// Every "\/" replaced by "/" (for showing a reply as text).
std::string UnescapeSlashes(std::string_view text);

enum class UploadReplyKind {
    Uploaded,    // status 200 with a complete http(s) address in "link"
    WrongKey,    // status 404: the service does not know the user name and key
    Unreadable,  // anything else; problem says what
};
struct UploadReply {
    UploadReplyKind kind = UploadReplyKind::Unreadable;
    std::string link;     // only for Uploaded
    std::string problem;  // only for Unreadable (in the current language, for the message)
};
// Reads the service's reply as JSON. Text around the object (a stray notice
// before it, the line end after it) is tolerated; the status may be a string or
// a number; the link is taken only when it is a complete http(s) address.
// httpStatus: an HTTP error status (other than 401, which still carries a
// reply) makes an unreadable reply say so.
UploadReply ParseUploadReply(std::string_view body, long httpStatus = 200);

// Messages of the upload replies (numbers of the language table).
inline constexpr int kMsgUploadHttpStatus = 1170;  // "the web service answered with HTTP status %d"
inline constexpr int kMsgUploadEmpty = 1171;       // "the reply was empty"
inline constexpr int kMsgUploadNotJson = 1172;     // "the reply was not a JSON object"
inline constexpr int kMsgUploadNoStatus = 1173;    // "the reply has no status"
inline constexpr int kMsgUploadStatus = 1174;      // "the web service answered with status %s"
inline constexpr int kMsgUploadNoLink = 1175;      // "the reply lacks a complete address of the page"
inline constexpr int kMsgUploadDone = 1176;        // "The file %s has now been uploaded to the Vinra 2000 web service."
inline constexpr int kMsgUploadFailed = 1177;      // "The file %s could not be uploaded: %s."
inline constexpr int kMsgUploadWrongKey = 1178;    // "Communication error! Check your Key under Program settings ..."

// Applies one reply to the document and gives the message for that file. On
// success the link becomes SalvikLink and is added to Comment on a new line.
// Returns true in changed when the document was changed.
std::string ApplyUploadReply(core::TVinraFile& doc, const std::string& fileName, const UploadReply& reply,
                             bool& changed);

// What is sent for a system saved as systemFile: the file itself (whole) or
// its part files, written beside it.
struct UploadPlan {
    bool wholeFile = true;
    std::vector<std::filesystem::path> files;
};
// Throws core::FileError when the part files cannot be written. Part files
// carry the signs in the pool's display characters.
UploadPlan PlanUpload(const core::TVinraFile& doc, const std::filesystem::path& systemFile,
                      const core::DisplaySigns& signs = core::CurrentDisplaySigns());

struct UploadHooks {
    // Before each file (the HTTP window shows "Laddar upp " and the name).
    std::function<void(const std::filesystem::path& file)> uploading;
    // After each transfer (the HTTP window is hidden).
    std::function<void()> done;
    // A reply with HTTP status 401 (the caller shows its message).
    std::function<void()> authorisationRequired;
};
struct UploadResult {
    std::string message;   // the messages of the files, separated by CR
    bool changed = false;  // the document got a link (the caller marks it modified)
    std::string error;     // a failure that ended the command; files sent before it stay sent
};
// Sends the plan's files one after another and applies every reply.
UploadResult RunUpload(core::TVinraFile& doc, const UploadPlan& plan, std::string_view host,
                       const UploadAccount& account, const UploadHooks& hooks = {});

// Text for the maker's service pages: "&" "<" ">" "/" and every character from
// U+00A1 to U+00FF except the soft hyphen U+00AD as character entities, the
// ampersand first. Works on code points of UTF-8 text; a byte that is not
// UTF-8 is taken as Windows-1252.
std::string EncodeEntities(std::string_view text);

}  // namespace vinra::net
