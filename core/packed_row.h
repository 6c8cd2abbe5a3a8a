#pragma once
// Rows packed two bits a match into one 64-bit word, for the hot paths.
//
// Match i (0-based) sits in bits 63-2i..62-2i, so packed rows of the same
// length compare as integers in the same order as their strings. Code 3 never
// occurs in a valid row.
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace vinra::core {

using PackedRow = uint64_t;

inline constexpr int PackedShift(int match) { return 62 - 2 * match; }

// The top 2n bits set.
inline constexpr uint64_t PackedMask(int n) { return n <= 0 ? 0 : (n >= 32 ? ~0ull : ~0ull << (64 - 2 * n)); }

// Packs the first min(|row|, 30) codes; characters other than '0'..'2' pack as 3.
inline PackedRow PackRow(std::string_view row) {
    PackedRow p = 0;
    const int n = row.size() > 30 ? 30 : static_cast<int>(row.size());
    for (int i = 0; i < n; ++i) {
        const unsigned c = static_cast<unsigned char>(row[i]) - '0';
        p |= static_cast<uint64_t>(c <= 2 ? c : 3) << PackedShift(i);
    }
    return p;
}

inline std::string UnpackRow(PackedRow p, int n) {
    std::string s(static_cast<size_t>(n), '0');
    for (int i = 0; i < n; ++i) s[i] = static_cast<char>('0' + ((p >> PackedShift(i)) & 3));
    return s;
}

inline int PackedSign(PackedRow p, int match) { return static_cast<int>((p >> PackedShift(match)) & 3); }

// Number of matches (of the first n) where both rows hold the same code.
inline int CountEqualPacked(PackedRow a, PackedRow b, int n) {
    const uint64_t x = a ^ b;
    const uint64_t differ = (x | (x >> 1)) & 0x5555555555555555ull & PackedMask(n);
    return n - std::popcount(differ);
}

}  // namespace vinra::core
