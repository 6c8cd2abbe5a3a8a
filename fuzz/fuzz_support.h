#pragma once
// What the fuzz targets share: the input as text, a scratch folder of this
// process for the readers that take a file, and a check that stops the run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "core/text.h"

namespace vinra::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// A folder of this process under /dev/shm (or the temp folder), made once.
inline const std::filesystem::path& Scratch() {
    static const std::filesystem::path dir = [] {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
        auto d = base / ("vinra-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code e;
            std::filesystem::remove_all(Scratch(), e);
        });
        return d;
    }();
    return dir;
}

// The input cut at NUL bytes into `parts` texts (missing ones empty), so one
// input can carry a file and the page or template read with it.
inline std::vector<std::string_view> SplitInput(std::string_view text, size_t parts) {
    std::vector<std::string_view> out;
    while (out.size() + 1 < parts) {
        const size_t cut = text.find('\0');
        if (cut == std::string_view::npos) break;
        out.push_back(text.substr(0, cut));
        text.remove_prefix(cut + 1);
    }
    out.push_back(text);
    out.resize(parts);
    return out;
}

// A property every input must keep; a broken one is a finding.
#define VINRA_FUZZ_CHECK(cond)                                                            \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

}  // namespace vinra::fuzz
