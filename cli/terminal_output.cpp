#include "cli/terminal_output.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>

namespace vinra::cli {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHex(std::string& out, const char* prefix, unsigned char c) {
    out += prefix;
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

// Escapes byte by byte as the text streams through; a 0xC2 lead byte waits for
// the next byte to tell a C1 control from an ordinary Latin-1 letter.
class EscapingBuf : public std::streambuf {
public:
    explicit EscapingBuf(std::streambuf* out) : out_(out) {}
    ~EscapingBuf() override {
        if (pendingC2_) out_->sputc('\xC2');
        out_->pubsync();
    }
    std::streambuf* target() const { return out_; }

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        std::string out;
        Put(static_cast<unsigned char>(traits_type::to_char_type(ch)), out);
        if (!out.empty() && out_->sputn(out.data(), static_cast<std::streamsize>(out.size())) !=
                                static_cast<std::streamsize>(out.size()))
            return traits_type::eof();
        return ch;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::string out;
        out.reserve(static_cast<size_t>(n));
        for (std::streamsize i = 0; i < n; ++i) Put(static_cast<unsigned char>(s[i]), out);
        if (!out.empty() && out_->sputn(out.data(), static_cast<std::streamsize>(out.size())) !=
                                static_cast<std::streamsize>(out.size()))
            return 0;
        return n;
    }
    int sync() override { return out_->pubsync(); }

private:
    void Put(unsigned char c, std::string& out) {
        if (pendingC2_) {
            pendingC2_ = false;
            if (c >= 0x80 && c <= 0x9F) {
                AppendHex(out, "\\u00", c);
                return;
            }
            out += '\xC2';
        }
        if (c == 0xC2) {
            pendingC2_ = true;
        } else if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            AppendHex(out, "\\x", c);
        } else {
            out += static_cast<char>(c);
        }
    }

    std::streambuf* out_;
    bool pendingC2_ = false;
};

std::unique_ptr<EscapingBuf> gOut, gErr;
std::ostream* gProgress = nullptr;

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::stringbuf sink;
    {
        EscapingBuf buf(&sink);
        buf.sputn(text.data(), static_cast<std::streamsize>(text.size()));
    }
    return sink.str();
}

TerminalOutputGuard::TerminalOutputGuard() {
    std::cout.flush();
    std::cerr.flush();
    gOut = std::make_unique<EscapingBuf>(std::cout.rdbuf());
    gErr = std::make_unique<EscapingBuf>(std::cerr.rdbuf());
    static std::ostream progress(nullptr);
    progress.rdbuf(gErr->target());
    gProgress = &progress;
    std::cout.rdbuf(gOut.get());
    std::cerr.rdbuf(gErr.get());
}

TerminalOutputGuard::~TerminalOutputGuard() {
    std::cout.flush();
    std::cerr.flush();
    std::cout.rdbuf(gOut->target());
    std::cerr.rdbuf(gErr->target());
    gProgress->rdbuf(gErr->target());
    gOut.reset();
    gErr.reset();
}

std::ostream& ProgressStream() { return gProgress ? *gProgress : std::cerr; }

}  // namespace vinra::cli
