// Text rules on plain UTF-16 code units, shared by the toolbox's string members and the add-in's text
// worksheet functions (which apply them in place to the host's counted strings). No COM here.
// Units are compared as unsigned 16-bit values: no locale, no case folding, no surrogate pairing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace korvel {

static_assert(sizeof(wchar_t) == 2, "the rules work on UTF-16 code units");

// Trim rule: drops leading and trailing U+0020 and reduces every inner run of U+0020 to one; no other
// unit counts as a space. Writes at most `length` units to `out` and returns how many; `out` may equal
// `in` (the writer never overtakes the reader).
size_t TrimUnits(const wchar_t* in, size_t length, wchar_t* out);

// How a list that ends in a unit and '-' (such as "a-") reads: the toolbox's members read a range whose
// upper end is the string's terminator U+0000, which holds nothing in practice; the add-in's worksheet
// function reads the two units as single items.
enum class TrailingDash { kRangeToNul, kSingleItems };

// The set of units a filter list names: single units and ranges "x-y" (both ends included), read from the
// left; a range whose first unit is above its last holds nothing.
// Only the 64-unit words that a list touches are ever written (a summary marks them), so that a short list
// costs a few words rather than the whole 8 KiB set: a worksheet function builds two lists per cell.
class UnitList {
 public:
  UnitList(const wchar_t* list, size_t length, TrailingDash trailing = TrailingDash::kRangeToNul);
  bool empty() const { return empty_; }
  bool Matches(wchar_t unit) const {
    auto u = static_cast<std::uint16_t>(unit);
    const unsigned word = u >> 6;
    return ((summary_[word >> 6] >> (word & 63)) & 1) && ((bits_[word] >> (u & 63)) & 1);
  }

 private:
  void AddRange(std::uint16_t low, std::uint16_t high);
  void AddBits(unsigned word, std::uint64_t bits);
  bool empty_;
  std::uint64_t summary_[65536 / 64 / 64] = {};
  std::uint64_t bits_[65536 / 64];  // a word is valid only where its summary bit is set
};

// Filter rule: keeps the units that match `enable` (all of them when it is empty), then drops those that
// match `disable`. Writes at most `length` units to `out` and returns how many; `out` may equal `in`.
size_t FilterUnits(const wchar_t* in, size_t length, const UnitList& enable, const UnitList& disable, wchar_t* out);

// Finds a text of code units in another, for InStr and Replace. Built once per search text so that
// repeated searches (Replace) reuse its tables.
class UnitSearch {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);
  UnitSearch(const wchar_t* needle, size_t length);
  ~UnitSearch();
  UnitSearch(const UnitSearch&) = delete;
  UnitSearch& operator=(const UnitSearch&) = delete;
  size_t length() const { return length_; }
  // Position of the first occurrence that starts at or after `from` and ends by `end`, or npos.
  // An empty search text is found at `from`.
  size_t Find(const wchar_t* hay, size_t from, size_t end) const;

 private:
  struct LongNeedle;
  const wchar_t* needle_;
  size_t length_;
  std::unique_ptr<LongNeedle> long_;
};

// Length up to the first U+0000 within `length` units.
size_t UnitsBeforeNul(const wchar_t* text, size_t length);

}  // namespace korvel
