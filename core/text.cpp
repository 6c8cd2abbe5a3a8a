#include "core/text.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <unordered_map>

#include <fcntl.h>
#include <unistd.h>

namespace vinra::core {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes without a character.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
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
    if (c < 0x80) { cp = c; return 1; }
    size_t len;
    char32_t min;
    if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; min = 0x10000; }
    else return 0;
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
        if (c < 0x80) { out += static_cast<char>(c); ++i; continue; }
        char32_t cp = 0;
        size_t len = DecodeUtf8(utf8, i, cp);
        if (len == 0) { out += '?'; ++i; continue; }
        i += len;
        if (cp >= 0xA0 && cp <= 0xFF) { out += static_cast<char>(cp); continue; }
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
        if (static_cast<unsigned char>(bytes[i]) < 0x80) { ++i; continue; }
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

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw FileError("\"" + path.string() + "\" is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (!std::filesystem::exists(path, ec))
            throw FileError("\"" + path.string() + "\" does not exist");
        throw FileError("\"" + path.string() + "\" cannot be read");
    }
    std::string bytes;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    if (size > 0) {
        bytes.resize(static_cast<size_t>(size));
        in.seekg(0);
        in.read(bytes.data(), size);
    }
    if (in.bad()) throw FileError("\"" + path.string() + "\" cannot be read");
    return bytes;
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
    const auto folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    std::random_device rd;
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 20 && fd < 0; ++attempt) {
        std::string tempName(1, '.');
        tempName += path.filename().string();
        tempName += '.';
        tempName += std::to_string(rd());
        tempName += ".tmp";
        temp = folder / tempName;
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0)
        throw FileError("\"" + path.string() + "\" cannot be written: " + std::strerror(errno));
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        throw FileError("\"" + path.string() + "\" cannot be written: " + std::strerror(err));
    };
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw FileError("\"" + path.string() + "\" cannot be written: " + std::strerror(err));
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw FileError("\"" + path.string() + "\" cannot be written: " + std::strerror(err));
    }
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
        if (len == 0) { out += utf8[i]; ++i; continue; }
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
