#include "core/row_list.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "core/signs.h"

namespace vinra::core {

namespace {

constexpr uint64_t kLowBits = 0x5555555555555555ull;

// A row of 1..30 signs 0/1/2 packs exactly.
bool PacksExactly(std::string_view row) {
    if (row.empty() || row.size() > static_cast<size_t>(kMaxMatches)) return false;
    for (char c : row)
        if (c < '0' || c > '2') return false;
    return true;
}

}  // namespace

RowList::RowList(std::initializer_list<std::string_view> rows) {
    reserve(rows.size());
    for (std::string_view r : rows) push_back(r);
}

RowList::RowList(const std::vector<std::string>& rows) {
    reserve(rows.size());
    for (const std::string& r : rows) push_back(r);
}

RowList RowList::FromPacked(std::vector<PackedRow> words, int width) {
    if (words.empty()) return {};
    if (width < 1 || width > kMaxMatches) throw std::invalid_argument("packed rows of " + std::to_string(width) + " signs");
    const uint64_t outside = ~PackedMask(width);
    for (PackedRow p : words)
        if ((p & outside) != 0 || (p & (p >> 1) & kLowBits & PackedMask(width)) != 0)
            throw std::invalid_argument("a packed row holds a code that is not a sign");
    RowList list;
    list.width_ = words.empty() ? 0 : width;
    list.words_ = std::move(words);
    return list;
}

void RowList::clear() {
    text_ = false;
    width_ = 0;
    words_.clear();
    strings_.clear();
}

void RowList::reserve(size_t n) {
    if (text_) strings_.reserve(n);
    else words_.reserve(n);
}

bool RowList::Fits(std::string_view row, PackedRow& p) const {
    if (!PacksExactly(row)) return false;
    if (width_ != 0 && static_cast<int>(row.size()) != width_) return false;
    p = PackRow(row);
    return true;
}

void RowList::ToText() {
    if (text_) return;
    strings_.clear();
    strings_.reserve(words_.capacity());
    for (PackedRow p : words_) strings_.push_back(UnpackRow(p, width_));
    std::vector<PackedRow>().swap(words_);
    text_ = true;
}

void RowList::push_back(std::string_view row) {
    if (!text_) {
        PackedRow p = 0;
        if (Fits(row, p)) {
            if (words_.empty()) width_ = static_cast<int>(row.size());
            words_.push_back(p);
            return;
        }
        ToText();
    }
    strings_.emplace_back(row);
}

void RowList::pop_back() {
    if (text_) strings_.pop_back();
    else words_.pop_back();
    if (!text_ && words_.empty()) width_ = 0;
}

void RowList::assign(size_t count, std::string_view row) {
    clear();
    reserve(count);
    for (size_t i = 0; i < count; ++i) push_back(row);
}

void RowList::Set(size_t i, std::string_view row) {
    if (i >= size()) throw std::out_of_range("row " + std::to_string(i) + " of " + std::to_string(size()));
    if (!text_) {
        PackedRow p = 0;
        // The only row of a list may change its width.
        if (words_.size() == 1 && PacksExactly(row)) width_ = static_cast<int>(row.size());
        if (Fits(row, p)) {
            words_[i] = p;
            return;
        }
        ToText();
    }
    strings_[i] = std::string(row);
}

const std::string RowList::at(size_t i) const {
    if (i >= size()) throw std::out_of_range("row " + std::to_string(i) + " of " + std::to_string(size()));
    return (*this)[i];
}

void RowList::erase(const_iterator first, const_iterator last) {
    const auto a = static_cast<std::ptrdiff_t>(first.index());
    const auto b = static_cast<std::ptrdiff_t>(last.index());
    if (text_) strings_.erase(strings_.begin() + a, strings_.begin() + b);
    else words_.erase(words_.begin() + a, words_.begin() + b);
    if (!text_ && words_.empty()) width_ = 0;
}

void RowList::Sort() {
    // Packed rows of one width compare as integers in their text order.
    if (text_) std::sort(strings_.begin(), strings_.end());
    else std::sort(words_.begin(), words_.end());
}

std::vector<std::string> RowList::Strings() const {
    if (text_) return strings_;
    std::vector<std::string> out;
    out.reserve(words_.size());
    for (PackedRow p : words_) out.push_back(UnpackRow(p, width_));
    return out;
}

bool RowList::PackedAt(size_t i, int width, PackedRow& p) const {
    if (!text_) {
        if (width_ != width) return false;
        p = words_[i];
        return true;
    }
    const std::string& r = strings_[i];
    if (static_cast<int>(r.size()) != width || !PacksExactly(r)) return false;
    p = PackRow(r);
    return true;
}

bool RowList::operator==(const RowList& other) const {
    if (size() != other.size()) return false;
    if (!text_ && !other.text_) return empty() || (width_ == other.width_ && words_ == other.words_);
    for (size_t i = 0; i < size(); ++i)
        if ((*this)[i] != other[i]) return false;
    return true;
}

bool operator==(const RowList& a, const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

void PrintTo(const RowList& rows, std::ostream* os) {
    *os << rows.size() << " rows {";
    const size_t shown = std::min<size_t>(rows.size(), 32);
    for (size_t i = 0; i < shown; ++i) *os << (i ? ", \"" : " \"") << rows[i] << '"';
    if (shown < rows.size()) *os << ", ...";
    *os << " }";
}

}  // namespace vinra::core
