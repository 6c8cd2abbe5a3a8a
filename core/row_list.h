#pragma once
// The rows of a system, kept packed two bits a sign (core/packed_row.h).
//
// A full frame runs to millions of rows; as one std::string each they cost
// 32 bytes plus a heap block a row and every hand-over copies them. Here a row
// is one 64-bit word, from the engine through the document to the file writer
// and the checker, and becomes text only where text is shown or written.
//
// Rows read as text by value (operator[], iteration), so readers written for a
// list of strings keep working. A row the packed form cannot hold exactly (a
// character other than 0/1/2, or a length unlike the others) turns the whole
// list into plain text rows, so whatever was put in reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/packed_row.h"

namespace vinra::core {

class RowList {
public:
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using reference = const std::string;  // rows are made on reading
        using pointer = void;

        const_iterator() = default;
        const_iterator(const RowList* list, size_t i) : list_(list), i_(i) {}
        const std::string operator*() const { return (*list_)[i_]; }
        const std::string operator[](difference_type k) const { return (*list_)[static_cast<size_t>(Pos() + k)]; }
        const_iterator& operator++() { ++i_; return *this; }
        const_iterator operator++(int) { auto t = *this; ++i_; return t; }
        const_iterator& operator--() { --i_; return *this; }
        const_iterator operator--(int) { auto t = *this; --i_; return t; }
        const_iterator& operator+=(difference_type k) { i_ = static_cast<size_t>(Pos() + k); return *this; }
        const_iterator& operator-=(difference_type k) { i_ = static_cast<size_t>(Pos() - k); return *this; }
        friend const_iterator operator+(const_iterator it, difference_type k) { return it += k; }
        friend const_iterator operator+(difference_type k, const_iterator it) { return it += k; }
        friend const_iterator operator-(const_iterator it, difference_type k) { return it -= k; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b) { return a.Pos() - b.Pos(); }
        friend bool operator==(const const_iterator& a, const const_iterator& b) { return a.i_ == b.i_; }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b) { return a.i_ <=> b.i_; }
        size_t index() const { return i_; }

    private:
        difference_type Pos() const { return static_cast<difference_type>(i_); }
        const RowList* list_ = nullptr;
        size_t i_ = 0;
    };
    using iterator = const_iterator;
    using value_type = std::string;
    using size_type = size_t;

    RowList() = default;
    RowList(std::initializer_list<std::string_view> rows);
    // From text rows (the engine's filter results, tests, rows a window edited).
    RowList(const std::vector<std::string>& rows);  // NOLINT: a list of strings is a list of rows
    template <class It>
    RowList(It first, It last) {
        for (; first != last; ++first) push_back(*first);
    }
    // Takes packed rows of width signs each (1..30, codes 0..2 only; the
    // engine's results). A word with code 3 in its first width signs, or bits
    // past them, is refused with std::invalid_argument.
    static RowList FromPacked(std::vector<PackedRow> words, int width);

    size_t size() const { return text_ ? strings_.size() : words_.size(); }
    bool empty() const { return size() == 0; }
    void clear();
    void reserve(size_t n);
    void push_back(std::string_view row);
    void emplace_back(std::string_view row) { push_back(row); }
    void pop_back();
    void assign(size_t count, std::string_view row);
    // Replaces row i.
    void Set(size_t i, std::string_view row);

    // Rows are read by value; the const keeps `list[i] = row` (which would
    // change a temporary) from compiling: Set changes a row.
    const std::string operator[](size_t i) const { return text_ ? strings_[i] : UnpackRow(words_[i], width_); }
    const std::string at(size_t i) const;  // std::out_of_range past the end
    const std::string front() const { return (*this)[0]; }
    const std::string back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    void erase(const_iterator first, const_iterator last);
    void erase(const_iterator pos) { erase(pos, pos + 1); }
    // Sorts the rows in text order.
    void Sort();
    // The rows as text.
    std::vector<std::string> Strings() const;

    // True when every row is held packed: the same number of signs, 0/1/2 only.
    bool IsPacked() const { return !text_; }
    // Signs per row when packed (0 while the list is empty).
    int Width() const { return text_ ? 0 : width_; }
    // The packed rows; empty unless IsPacked().
    std::span<const PackedRow> Words() const { return text_ ? std::span<const PackedRow>() : words_; }
    // True when row i is `width` signs 0/1/2; its word in p.
    bool PackedAt(size_t i, int width, PackedRow& p) const;

    bool operator==(const RowList& other) const;
    friend bool operator==(const RowList& a, const std::vector<std::string>& b);
    friend void PrintTo(const RowList& rows, std::ostream* os);

private:
    // Row as a word of this list's width, or false when it does not pack so.
    bool Fits(std::string_view row, PackedRow& p) const;
    void ToText();

    bool text_ = false;
    int width_ = 0;                   // packed: signs per row, 0 until the first row
    std::vector<PackedRow> words_;    // packed rows
    std::vector<std::string> strings_;  // text rows, once a row did not pack
};

}  // namespace vinra::core
