#include "commands/summand_search.h"

#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace korvel::xll {
namespace {

using Word = std::uint64_t;
constexpr int kWordBits = 64;

int TopBit(Word w) { return kWordBits - 1 - __builtin_clzll(w); }

// The passes over the reachable sums 0..top (bit d of word d / 64), each sum's first row beside them.
class ReachableSums {
 public:
  bool Allocate(std::int64_t top) {
    top_ = top;
    words_ = top / kWordBits + 1;
    const std::size_t words = static_cast<std::size_t>(words_);
    bits_.reset(new (std::nothrow) Word[words]());
    // Rows are read only where a bit says the sum was reached, so they need no clearing.
    rows_.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(top) + 1]);
    return bits_ && rows_;
  }

  // The pass of `row` with reduced value r, reaching sums up to `bound`: every sum s reached before this
  // pass gives s + r. Words are taken from the top down, each read before it is written, so the source of
  // every word is still the state before the pass. Stops at the pass's largest new sum when that is at least
  // `target`, giving it; else gives -1.
  std::int64_t ExtendBy(std::int64_t r, std::int64_t bound, std::int64_t target, std::uint32_t row) {
    if (bound - r >= 1) {
      const std::int64_t shift_words = r / kWordBits;
      const int shift_bits = static_cast<int>(r % kWordBits);
      const std::int64_t top_word = bound / kWordBits;
      const int top_bit = static_cast<int>(bound % kWordBits);
      const Word top_mask = top_bit == kWordBits - 1 ? ~Word{0} : (Word{1} << (top_bit + 1)) - 1;
      // Words below full_ have every sum reached: they cannot take a new one.
      const std::int64_t bottom_word = shift_words > full_ ? shift_words : full_;
      for (std::int64_t w = top_word; w >= bottom_word; --w) {
        Word shifted = bits_[w - shift_words] << shift_bits;
        if (shift_bits && w > shift_words) shifted |= bits_[w - shift_words - 1] >> (kWordBits - shift_bits);
        Word fresh = shifted & ~bits_[w];
        if (w == top_word) fresh &= top_mask;
        if (!fresh) continue;
        // Words come from the top down, so the first word with a new sum holds the pass's largest.
        const std::int64_t highest = w * kWordBits + TopBit(fresh);
        if (highest >= target) {
          Reach(highest, row);
          return highest;
        }
        bits_[w] |= fresh;
        const std::int64_t base = w * kWordBits;
        for (; fresh; fresh &= fresh - 1) rows_[base + __builtin_ctzll(fresh)] = row;
      }
    }
    // The value alone comes after the pass, so that the pass never extends a sum by its own row.
    if (!Reached(r)) {
      Reach(r, row);
      if (r >= target) return r;
    }
    // Sum 0 is never reached but counts as reached here: it takes no part.
    while (full_ < words_ && (bits_[full_] | (full_ == 0 ? 1 : 0)) == ~Word{0}) ++full_;
    return -1;
  }

  // The largest reached sum from `from` down to 1; 0 when there is none.
  std::int64_t LargestAtMost(std::int64_t from) const {
    if (from > top_) from = top_;
    if (from < 1) return 0;
    std::int64_t w = from / kWordBits;
    const int bit = static_cast<int>(from % kWordBits);
    Word word = bits_[w] & (bit == kWordBits - 1 ? ~Word{0} : (Word{1} << (bit + 1)) - 1);
    for (;;) {
      if (word) return w * kWordBits + TopBit(word);
      if (--w < 0) return 0;
      word = bits_[w];
    }
  }

  bool Reached(std::int64_t s) const { return (bits_[s / kWordBits] >> (s % kWordBits)) & 1; }
  std::uint32_t RowOf(std::int64_t s) const { return rows_[s]; }

 private:
  void Reach(std::int64_t s, std::uint32_t row) {
    bits_[s / kWordBits] |= Word{1} << (s % kWordBits);
    rows_[s] = row;
  }

  std::int64_t top_ = 0;
  std::int64_t words_ = 0;
  std::int64_t full_ = 0;  // words 0..full_-1 hold only reached sums
  std::unique_ptr<Word[]> bits_;
  std::unique_ptr<std::uint32_t[]> rows_;
};

std::int64_t Gcd(std::int64_t a, std::int64_t b) {
  while (b) {
    const std::int64_t t = a % b;
    a = b;
    b = t;
  }
  return a;
}

// The greatest common divisor of the positive values; 0 when there is none.
std::int64_t DivisorOfPositives(const std::vector<std::int64_t>& x) {
  std::int64_t g = 0;
  for (std::int64_t v : x)
    if (v > 0) g = g ? Gcd(g, v) : v;
  return g;
}

// Running totals that stop at `cap`, without overflow.
std::int64_t AddCapped(std::int64_t total, std::int64_t r, std::int64_t cap) {
  return r >= cap - total ? cap : total + r;
}

SummandSearch Refused(SummandRefusal why) {
  SummandSearch result;
  result.refusal = why;
  return result;
}

SummandSearch Search(const std::vector<double>& values, double minimum, double maximum) {
  std::int64_t b1 = 0, b2 = 0;
  if (!TruncateToInt64(minimum, b1) || !TruncateToInt64(maximum, b2)) return Refused(SummandRefusal::kBeyondRange);
  if (values.size() > std::numeric_limits<std::uint32_t>::max()) return Refused(SummandRefusal::kBeyondRange);
  std::vector<std::int64_t> x(values.size());
  for (std::size_t j = 0; j < values.size(); ++j)
    if (!TruncateToInt64(values[j], x[j])) return Refused(SummandRefusal::kBeyondRange);
  if (b2 < 0) return Refused(SummandRefusal::kNegativeMaximum);
  const std::int64_t g = DivisorOfPositives(x);
  if (g == 0) return Refused(SummandRefusal::kNoPositiveValue);

  // Sums are multiples of g: g * s >= B1 exactly when s >= ceil(B1 / g), so the stop never falls below B1
  // while a sum between the bounds is reachable.
  const std::int64_t lo = b1 / g + (b1 > 0 && b1 % g != 0 ? 1 : 0);
  const std::int64_t m = b2 / g;
  const std::int64_t target = lo < m ? lo : m;
  // Only values of 1..M take part; a negative one would lower the running bound and hide solutions.
  std::int64_t total = 0;
  for (std::int64_t v : x) {
    const std::int64_t r = v / g;
    if (r >= 1 && r <= m) total = AddCapped(total, r, m);
  }
  if (total >= kMaxReducedSums) {
    SummandSearch result = Refused(SummandRefusal::kTableTooLarge);
    result.g = g;
    result.table_sums = total + 1;
    return result;
  }
  ReachableSums sums;
  if (!sums.Allocate(total)) return Refused(SummandRefusal::kNoMemory);

  SummandSearch result;
  result.g = g;
  result.table_sums = total + 1;
  std::int64_t bound = 0, best = -1;
  for (std::size_t j = 0; j < x.size() && best < 0; ++j) {
    const std::int64_t r = x[j] / g;
    if (r < 1 || r > m) continue;
    bound = AddCapped(bound, r, m);
    best = sums.ExtendBy(r, bound, target, static_cast<std::uint32_t>(j + 1));
  }
  if (best < 0) best = sums.LargestAtMost(target - 1);
  result.best = best;
  for (std::int64_t s = best; s > 0;) {
    const std::uint32_t row = sums.RowOf(s);
    result.rows.push_back(row);
    s -= x[row - 1] / g;
  }
  // best <= M = B2 / g, so g * best cannot overflow.
  result.within_bounds = g * best >= b1 && g * best <= b2;
  return result;
}

}  // namespace

bool TruncateToInt64(double v, std::int64_t& out) {
  // -2^63 is the lowest double that fits; 2^63 is the first that does not.
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return false;
  out = static_cast<std::int64_t>(v);
  return true;
}

SummandSearch FindSummands(const std::vector<double>& values, double minimum, double maximum) {
  try {
    return Search(values, minimum, maximum);
  } catch (...) {
    return Refused(SummandRefusal::kNoMemory);
  }
}

}  // namespace korvel::xll
