#include "core/text.h"

#include "core/messages.h"
#include "core/system_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <unordered_map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vinra::core {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes without a character.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    size_t len;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        cp = c & 0x1F;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        cp = c & 0x0F;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        cp = c & 0x07;
        min = 0x10000;
    } else return 0;
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

namespace {

const std::unordered_map<char32_t, char>& HighReverse() {
    static const auto map = [] {
        std::unordered_map<char32_t, char> m;
        for (size_t i = 0; i < kHigh.size(); ++i)
            if (kHigh[i]) m[kHigh[i]] = static_cast<char>(0x80 + i);
        return m;
    }();
    return map;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else if (c < 0xA0) AppendUtf8(out, kHigh[c - 0x80] ? kHigh[c - 0x80] : 0xFFFD);
        else AppendUtf8(out, c);
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out += '?';
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0xA0 && cp <= 0xFF) {
            out += static_cast<char>(cp);
            continue;
        }
        auto it = HighReverse().find(cp);
        out += it != HighReverse().end() ? it->second : '?';
    }
    return out;
}

bool HasUtf8Bom(std::string_view bytes) { return bytes.substr(0, 3) == "\xEF\xBB\xBF"; }

bool IsUtf8WithNonAscii(std::string_view bytes) {
    bool nonAscii = false;
    size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        size_t len = DecodeUtf8(bytes, i, cp);
        if (len == 0) return false;
        nonAscii = true;
        i += len;
    }
    return nonAscii;
}

std::string DecodeFileText(std::string_view bytes) {
    if (HasUtf8Bom(bytes)) return std::string(bytes.substr(3));
    if (IsUtf8WithNonAscii(bytes)) return std::string(bytes);
    return Cp1252ToUtf8(bytes);
}

std::string EncodeFileText(std::string_view utf8) {
    std::string bytes = Utf8ToCp1252(utf8);
    // Text that Windows-1252 cannot hold (a "Ł" in a home folder, a mail
    // address in another script) is kept whole as UTF-8 with a BOM rather
    // than turned into "?"; invalid UTF-8 still becomes "?".
    const bool lossless = Cp1252ToUtf8(bytes) == utf8;
    const bool validUtf8 = IsUtf8WithNonAscii(utf8);
    if (!lossless && validUtf8) return "\xEF\xBB\xBF" + std::string(utf8);
    if (!HasUtf8Bom(bytes) && !IsUtf8WithNonAscii(bytes)) return bytes;
    return "\xEF\xBB\xBF" + Cp1252ToUtf8(bytes);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    size_t total = 0;
    for (const auto& l : lines) total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
                out += c;
        }
    }
    return out;
}

std::string ReplaceLineBreaks(std::string_view text, std::string_view with) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += with;
        } else if (text[i] == '\n') {
            out += with;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {
// File messages of the language table: a player reads them in his language.
constexpr int kMsgCannotWrite = 3174;   // "\"%s\" cannot be written: %s"
constexpr int kMsgCannotRead = 3175;    // "\"%s\" cannot be read"
constexpr int kMsgNoSuchFile = 3176;    // "\"%s\" does not exist"
constexpr int kMsgIsFolder = 3177;      // "\"%s\" is a folder, not a file"
constexpr int kMsgNotAFile = 3181;      // "\"%s\" is a folder or a device, not a file; nothing was written"
constexpr int kMsgNoPermission = 3182;  // "no permission"
constexpr int kMsgDiskFull = 3183;      // "the disk is full"
constexpr int kMsgReadOnly = 3184;      // "the disk is write-protected"
constexpr int kMsgNoFolder = 3185;      // "the folder does not exist"
constexpr int kMsgSystemError = 3186;   // "system error %d"

std::string PathMsg(int msg, const std::filesystem::path& path) { return FormatMsg(Msg(msg), {path.string()}); }
}  // namespace

std::string SystemErrorText(int err) {
    switch (err) {
        case EACCES:
        case EPERM: return Msg(kMsgNoPermission);
        case ENOSPC:
        case EDQUOT: return Msg(kMsgDiskFull);
        case EROFS: return Msg(kMsgReadOnly);
        case ENOENT:
        case ENOTDIR: return Msg(kMsgNoFolder);
        default: return FormatMsg(Msg(kMsgSystemError), {static_cast<long long>(err)});
    }
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(PathMsg(kMsgIsFolder, path));
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (!std::filesystem::exists(path, ec)) throw FileError(PathMsg(kMsgNoSuchFile, path));
        throw FileError(PathMsg(kMsgCannotRead, path));
    }
    std::string bytes;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size > 0) {
        bytes.resize(static_cast<size_t>(size));
        in.seekg(0);
        in.read(bytes.data(), size);
    }
    if (in.bad()) throw FileError(PathMsg(kMsgCannotRead, path));
    return bytes;
}

namespace {

[[noreturn]] void ThrowWrite(const std::filesystem::path& path, int err) {
    throw FileError(FormatMsg(Msg(kMsgCannotWrite), {path.string(), SystemErrorText(err)}));
}

// The file a path names once its symbolic links are followed, also when the last
// link points at a file that does not exist yet (it is then created there).
std::filesystem::path FollowLinks(const std::filesystem::path& path) {
    std::filesystem::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(p, ec);
        if (ec) ThrowWrite(path, ec.value());
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    ThrowWrite(path, ELOOP);
}

// Whether a folder entry is one of this writer's temporary names for target:
// "." + name + "." + digits + ".tmp".
bool IsOwnTempName(const std::string& entry, const std::string& target) {
    const std::string head = "." + target + ".";
    if (entry.size() <= head.size() + 4 || entry.compare(0, head.size(), head) != 0) return false;
    if (entry.compare(entry.size() - 4, 4, ".tmp") != 0) return false;
    for (size_t i = head.size(); i < entry.size() - 4; ++i)
        if (entry[i] < '0' || entry[i] > '9') return false;
    return true;
}

// Removes temporary files that an earlier, killed write to the same target left.
// A writer holds an exclusive lock on its temporary file until it is renamed, so
// a file that can be locked belongs to no live writer.
void RemoveLeftTemps(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (!IsOwnTempName(entry, name)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(it->path().c_str());
        ::close(fd);
    }
}

void WriteAll(int fd, std::string_view bytes, const std::function<void(int)>& fail) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<size_t>(n);
    }
}

// A pipe or a character device (a terminal, /dev/null, /dev/stdout) cannot be
// replaced by a file: the bytes go to it directly.
void WriteDirect(const std::filesystem::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) ThrowWrite(path, errno);
    WriteAll(fd, bytes, [&](int err) {
        ::close(fd);
        ThrowWrite(path, err);
    });
    if (::close(fd) != 0) ThrowWrite(path, errno);
}

}  // namespace

namespace {

// A new file's bytes in its temporary file beside the target, locked until renamed.
struct TempWrite {
    std::filesystem::path given;  // the name the caller used
    std::filesystem::path path;   // the file replaced (links followed)
    std::filesystem::path temp;
    int fd = -1;
};

// Writes the bytes to a temporary file for the target; nullopt when the target
// is a pipe or a character device, which was written directly.
std::optional<TempWrite> WriteTemp(const std::filesystem::path& given, std::string_view bytes) {
    // A symbolic link stays a link: the file it points at gets the new bytes,
    // through a temporary file beside that file.
    const std::filesystem::path path = FollowLinks(given);
    struct stat old;
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        if (S_ISFIFO(old.st_mode) || S_ISCHR(old.st_mode)) {
            WriteDirect(path, bytes);
            return std::nullopt;
        }
        throw FileError(PathMsg(kMsgNotAFile, given));
    }

    const auto folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::string name = path.filename().string();
    RemoveLeftTemps(folder, name);
    std::random_device rd;
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 20 && fd < 0; ++attempt) {
        temp = folder / ("." + name + "." + std::to_string(rd()) + ".tmp");
        // An existing file's bytes are never readable by more people than before,
        // not even for the moment before its mode is copied.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0644);
        if (fd < 0 && errno != EEXIST) break;
        if (fd >= 0) {
            // Locked until the rename, so no other writer takes it for a leftover.
            struct stat st;
            if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
                ::close(fd);
                fd = -1;
                errno = EEXIST;
            }
        }
    }
    if (fd < 0) ThrowWrite(given, errno);
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        ThrowWrite(given, err);
    };
    if (exists) {
        // Keep the owner where we may (as root, or a group we belong to), and the mode.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
            if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        if (::fchmod(fd, old.st_mode & 07777) != 0) fail(errno);
    }
    WriteAll(fd, bytes, fail);
    return TempWrite{given, path, temp, fd};
}

void Discard(TempWrite& w) {
    ::unlink(w.temp.c_str());
    ::close(w.fd);
    w.fd = -1;
}

// Makes a rename in the folder durable.
int SyncFolder(const std::filesystem::path& folder) {
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return errno;
    const int rc = ::fsync(dir) == 0 ? 0 : errno;
    ::close(dir);
    return rc;
}

}  // namespace

void WriteFileAtomic(const std::filesystem::path& given, std::string_view bytes) {
    auto w = WriteTemp(given, bytes);
    if (!w) return;
    if (::fsync(w->fd) != 0) {
        const int err = errno;
        Discard(*w);
        ThrowWrite(given, err);
    }
    if (std::rename(w->temp.c_str(), w->path.c_str()) != 0) {
        const int err = errno;
        Discard(*w);
        ThrowWrite(given, err);
    }
    if (::close(w->fd) != 0) ThrowWrite(given, errno);
}

struct AtomicWriteBatch::Pending {
    std::vector<TempWrite> writes;
};

AtomicWriteBatch::AtomicWriteBatch() : pending_(std::make_unique<Pending>()) {}

AtomicWriteBatch::~AtomicWriteBatch() {
    for (auto& w : pending_->writes) Discard(w);
}

void AtomicWriteBatch::Add(const std::filesystem::path& path, std::string_view bytes) {
    auto w = WriteTemp(path, bytes);
    if (w) pending_->writes.push_back(std::move(*w));
}

size_t AtomicWriteBatch::PendingCount() const { return pending_->writes.size(); }

std::vector<AtomicWriteBatch::Failure> AtomicWriteBatch::Commit() {
    std::vector<TempWrite> writes = std::move(pending_->writes);
    pending_->writes.clear();
    std::vector<Failure> failed;
    if (writes.empty()) return failed;
    // Every new file on the disk before any target is replaced: one sync per
    // file system instead of one per file.
    std::vector<dev_t> synced;
    int syncError = 0;
    for (const auto& w : writes) {
        struct stat st;
        if (::fstat(w.fd, &st) != 0) {
            syncError = errno;
            break;
        }
        if (std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
        if (::syncfs(w.fd) != 0) {
            syncError = errno;
            break;
        }
        synced.push_back(st.st_dev);
    }
    // Renamed in the order added; after a failure the rest are dropped, so a
    // file written after another never replaces its target without it.
    std::vector<std::filesystem::path> folders;
    std::vector<bool> renamed(writes.size(), false);
    int error = syncError;
    for (size_t i = 0; i < writes.size(); ++i) {
        TempWrite& w = writes[i];
        if (error == 0 && std::rename(w.temp.c_str(), w.path.c_str()) != 0) error = errno;
        if (error != 0) {
            failed.push_back({w.given, std::strerror(error)});
            Discard(w);
            continue;
        }
        renamed[i] = true;
        ::close(w.fd);
        w.fd = -1;
        const auto folder = w.path.parent_path();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    for (const auto& folder : folders)
        if (const int err = SyncFolder(folder); err != 0)
            for (size_t i = 0; i < writes.size(); ++i)
                if (renamed[i] && writes[i].path.parent_path() == folder)
                    failed.push_back({writes[i].given, std::strerror(err)});
    return failed;
}

std::string ToUpperAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

std::string ToUpperText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp;
        size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) {
            out += utf8[i];
            ++i;
            continue;
        }
        i += len;
        if (cp >= 'a' && cp <= 'z') cp -= 32;
        else if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) cp -= 32;
        else if (cp == 0x0161 || cp == 0x0153 || cp == 0x017E) cp -= 1;
        else if (cp == 0xFF) cp = 0x0178;
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace vinra::core
