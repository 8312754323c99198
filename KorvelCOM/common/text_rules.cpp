#include "common/text_rules.h"

#include <cwchar>

namespace korvel {

size_t TrimUnits(const wchar_t* in, size_t length, wchar_t* out) {
  size_t written = 0;
  bool after_text = false;
  for (size_t i = 0; i < length; ++i) {
    wchar_t u = in[i];
    if (u != L' ') {
      out[written++] = u;
      after_text = true;
    } else if (after_text) {
      out[written++] = u;
      after_text = false;
    }
  }
  if (written && out[written - 1] == L' ') --written;
  return written;
}

UnitList::UnitList(const wchar_t* list, size_t length, TrailingDash trailing) : empty_(length == 0) {
  size_t j = 0;
  while (j < length) {
    auto low = static_cast<std::uint16_t>(list[j]);
    const bool dash_follows = j + 1 < length && list[j + 1] == L'-';
    if (dash_follows && (j + 2 < length || trailing == TrailingDash::kRangeToNul)) {
      // A trailing '-' ranges up to the terminator: nothing above a non-zero lower end.
      auto high = static_cast<std::uint16_t>(j + 2 < length ? list[j + 2] : 0);
      AddRange(low, high);
      j += 3;
    } else {
      AddRange(low, low);
      j += 1;
    }
  }
}

void UnitList::AddBits(unsigned word, std::uint64_t bits) {
  std::uint64_t& summary = summary_[word >> 6];
  const std::uint64_t mark = std::uint64_t{1} << (word & 63);
  if (!(summary & mark)) {
    summary |= mark;
    bits_[word] = 0;
  }
  bits_[word] |= bits;
}

void UnitList::AddRange(std::uint16_t low, std::uint16_t high) {
  if (low > high) return;
  unsigned first = low >> 6, last = high >> 6;
  std::uint64_t head = ~std::uint64_t{0} << (low & 63);
  std::uint64_t tail = ~std::uint64_t{0} >> (63 - (high & 63));
  if (first == last) {
    AddBits(first, head & tail);
    return;
  }
  AddBits(first, head);
  for (unsigned w = first + 1; w < last; ++w) AddBits(w, ~std::uint64_t{0});
  AddBits(last, tail);
}

size_t FilterUnits(const wchar_t* in, size_t length, const UnitList& enable, const UnitList& disable, wchar_t* out) {
  // Both passes in one walk: a unit stays when pass 1 keeps it and pass 2 does not drop it.
  bool check_enable = !enable.empty(), check_disable = !disable.empty();
  size_t written = 0;
  for (size_t i = 0; i < length; ++i) {
    wchar_t u = in[i];
    if (check_enable && !enable.Matches(u)) continue;
    if (check_disable && disable.Matches(u)) continue;
    out[written++] = u;
  }
  return written;
}

size_t UnitsBeforeNul(const wchar_t* text, size_t length) {
  if (!text) return 0;
  const wchar_t* nul = std::wmemchr(text, L'\0', length);
  return nul ? static_cast<size_t>(nul - text) : length;
}

namespace {
// Below this length a scan for the first unit with a comparison at each hit costs at most this many
// comparisons per unit of the searched text; above it the Boyer-Moore tables keep long searches linear.
constexpr size_t kShortNeedle = 32;
}  // namespace

struct UnitSearch::LongNeedle {
  LongNeedle(const wchar_t* needle, size_t length) : searcher(needle, needle + length) {}
  std::boyer_moore_searcher<const wchar_t*> searcher;
};

UnitSearch::UnitSearch(const wchar_t* needle, size_t length) : needle_(needle), length_(length) {
  if (length_ > kShortNeedle) long_ = std::make_unique<LongNeedle>(needle, length);
}

UnitSearch::~UnitSearch() = default;

size_t UnitSearch::Find(const wchar_t* hay, size_t from, size_t end) const {
  if (from > end) return npos;
  if (length_ == 0) return from;
  if (end - from < length_) return npos;
  if (long_) {
    auto found = long_->searcher(hay + from, hay + end);
    return found.first == hay + end ? npos : static_cast<size_t>(found.first - hay);
  }
  const wchar_t first = needle_[0];
  const size_t last_start = end - length_;
  size_t at = from;
  while (at <= last_start) {
    const wchar_t* hit = std::wmemchr(hay + at, first, last_start - at + 1);
    if (!hit) return npos;
    at = static_cast<size_t>(hit - hay);
    if (std::wmemcmp(hit + 1, needle_ + 1, length_ - 1) == 0) return at;
    ++at;
  }
  return npos;
}

}  // namespace korvel
