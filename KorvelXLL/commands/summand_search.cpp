#include "commands/summand_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

namespace korvel::xll {
namespace {

using Word = std::uint64_t;
constexpr int kWordBits = 64;
using Clock = std::chrono::steady_clock;

// Word steps between two readings of the clock: some tens of microseconds of work.
constexpr std::int64_t kStepsPerClockReading = std::int64_t{1} << 15;
// Rows in a page of 4 KiB, and what the first touch of one counts for.
constexpr std::int64_t kRowsPerPage = 1024;
constexpr std::int64_t kPageTouchSteps = 256;
// What a pass gives back besides a sum found: nothing at or above the target, or a stop asked for.
constexpr std::int64_t kNotYet = -1;
constexpr std::int64_t kStopAsked = -2;

int TopBit(Word w) { return kWordBits - 1 - __builtin_clzll(w); }
Word RotateLeft(Word w, int bits) { return bits ? (w << bits) | (w >> (kWordBits - bits)) : w; }
// Bits 0..bit of a word.
Word UpTo(int bit) { return bit == kWordBits - 1 ? ~Word{0} : (Word{1} << (bit + 1)) - 1; }

// The spacing in force: kPollSpacing, or what a test set so that its polls do not depend on the machine's speed.
std::chrono::milliseconds g_poll_spacing = kPollSpacing;

// The caller's poll, asked once the spacing has passed since the last answer and checked by the clock every
// kStepsPerClockReading steps of work, so that no stretch of work between two polls comes near kPollInterval.
class Poller {
 public:
  explicit Poller(const SummandPoll& poll) : poll_(poll), last_(Clock::now()) {}
  // Counts `steps` of work; true once the poll asked for a stop.
  bool Work(std::int64_t steps) {
    if ((budget_ -= steps) > 0) return stopped_;
    budget_ = kStepsPerClockReading;
    if (!poll_ || stopped_) return stopped_;
    const Clock::time_point now = Clock::now();
    if (now - last_ < g_poll_spacing) return false;
    stopped_ = poll_();
    last_ = Clock::now();
    return stopped_;
  }

 private:
  const SummandPoll& poll_;
  Clock::time_point last_;
  std::int64_t budget_ = kStepsPerClockReading;
  bool stopped_ = false;
};

// The passes over the reachable sums 0..top (bit d of word d / 64), each sum's first row beside them.
//
// Words 0..settled_-1 all hold one pattern (word 0 with sum 0 counted as reached). A pass whose shift maps
// the pattern into itself cannot reach a new sum there, so it skips them: all sums reached (the pattern of
// ones), or all even sums when every value so far was even, and so on for each pattern that a rotation
// keeps. Runs of one value on consecutive rows go through the sums once for the whole run.
class ReachableSums {
 public:
  explicit ReachableSums(Poller& poller) : poller_(poller) {}

  bool Allocate(std::int64_t top) {
    top_ = top;
    words_ = top / kWordBits + 1;
    // The words are cleared as the running bound reaches them (ClearUpTo): clearing a table of 2^28 sums at
    // once is the first touch of 32 MiB, which can take longer than a poll may wait.
    bits_.reset(new (std::nothrow) Word[static_cast<std::size_t>(words_)]);
    // Rows are read only where a bit says the sum was reached, so they need no clearing.
    rows_.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(top) + 1]);
    return bits_ && rows_;
  }

  // The pass of `row` with reduced value r, reaching sums up to `bound`: every sum s reached before this
  // pass gives s + r. Words are taken from the top down, each read before it is written, so the source of
  // every word is still the state before the pass. Stops at the pass's largest new sum when that is at least
  // `target`, giving it; else gives kNotYet, or kStopAsked when the poll asked for a stop.
  std::int64_t ExtendBy(std::int64_t r, std::int64_t bound, std::int64_t target, std::uint32_t row) {
    if (!ClearUpTo(bound)) return kStopAsked;
    const int shift_bits = static_cast<int>(r % kWordBits);
    const bool kept = KeepsPattern(shift_bits);
    if (bound - r >= 1) {
      const std::int64_t shift_words = r / kWordBits;
      const std::int64_t top_word = bound / kWordBits;
      const Word top_mask = UpTo(static_cast<int>(bound % kWordBits));
      const std::int64_t bottom_word = kept && settled_ > shift_words ? settled_ : shift_words;
      for (std::int64_t w = top_word; w >= bottom_word; --w) {
        if (poller_.Work(1)) return kStopAsked;
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
        if (RowsWork(base, fresh)) return kStopAsked;
        for (; fresh; fresh &= fresh - 1) rows_[base + __builtin_ctzll(fresh)] = row;
      }
    }
    // The value alone comes after the pass, so that the pass never extends a sum by its own row.
    if (!Reached(r)) {
      Reach(r, row);
      if (r >= target) return r;
    }
    return Settle(kept);
  }

  // The passes of `count` consecutive rows from `first_row` on, all of reduced value r >= 64, in one sweep
  // from the bottom up: the sum s + r is reached by the pass after the one that reached s (by the first pass
  // when s was reached before the run, or s is 0), unless s was reached by the run's last pass. That is the
  // pass that reaches it when the passes run one by one, since a sum needing c copies of r is new in the
  // c-th pass. `bound` is the running bound after the run's last row. The search stops in the first pass
  // whose largest new sum is at least `target`, at that sum; the sums of later passes written meanwhile
  // are never read then, since the rows are rebuilt from that sum down through earlier passes only.
  std::int64_t ExtendByRun(std::int64_t r, std::int64_t count, std::int64_t bound, std::int64_t target,
                           std::uint32_t first_row) {
    if (!ClearUpTo(bound)) return kStopAsked;
    const std::int64_t shift_words = r / kWordBits;
    const int shift_bits = static_cast<int>(r % kWordBits);
    const bool kept = KeepsPattern(shift_bits);
    std::vector<std::int64_t> largest(static_cast<std::size_t>(count), -1);  // by pass within the run
    const std::int64_t top_word = bound / kWordBits;
    const Word top_mask = UpTo(static_cast<int>(bound % kWordBits));
    const std::int64_t bottom_word = kept && settled_ > shift_words ? settled_ : shift_words;
    for (std::int64_t w = bottom_word; w <= top_word; ++w) {
      if (poller_.Work(1)) return kStopAsked;
      // Sum 0 is a source here: it gives the value alone, reached by the run's first pass.
      const Word high = bits_[w - shift_words] | (w == shift_words ? 1 : 0);
      const Word low = w > shift_words ? bits_[w - shift_words - 1] | (w - 1 == shift_words ? 1 : 0) : 0;
      Word fresh = (high << shift_bits) & ~bits_[w];
      if (shift_bits) fresh |= (low >> (kWordBits - shift_bits)) & ~bits_[w];
      if (w == top_word) fresh &= top_mask;
      if (!fresh) continue;
      const std::int64_t base = w * kWordBits;
      if (RowsWork(base, fresh)) return kStopAsked;
      for (; fresh; fresh &= fresh - 1) {
        const std::int64_t s = base + __builtin_ctzll(fresh);
        const std::int64_t source = s - r;
        const std::int64_t pass = source == 0 || rows_[source] < first_row ? 0 : rows_[source] - first_row + 1;
        if (pass >= count) continue;
        bits_[w] |= Word{1} << (s - base);
        rows_[s] = first_row + static_cast<std::uint32_t>(pass);
        if (s > largest[pass]) largest[pass] = s;
      }
    }
    for (std::int64_t s : largest)
      if (s >= target) return s;
    return Settle(kept);
  }

  // The largest reached sum from `from` down to 1; 0 when there is none.
  std::int64_t LargestAtMost(std::int64_t from) const {
    if (from > top_) from = top_;
    // Words never cleared hold no sum: no pass reached them.
    if (from >= cleared_ * kWordBits) from = cleared_ * kWordBits - 1;
    if (from < 1) return 0;
    std::int64_t w = from / kWordBits;
    Word word = bits_[w] & UpTo(static_cast<int>(from % kWordBits));
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

  // Counts the work of writing the rows of `fresh`, the new sums from `base` on: a row in another page than
  // the last one written may be that page's first touch, which costs the time of hundreds of steps.
  bool RowsWork(std::int64_t base, Word fresh) {
    std::int64_t steps = __builtin_popcountll(fresh);
    if (base / kRowsPerPage != last_page_) {
      last_page_ = base / kRowsPerPage;
      steps += kPageTouchSteps;
    }
    return poller_.Work(steps);
  }

  // Clears the words up to the one of sum `bound`, in steps of work; false when the poll asked for a stop.
  bool ClearUpTo(std::int64_t bound) {
    const std::int64_t last = bound / kWordBits;
    while (cleared_ <= last) {
      const std::int64_t end = std::min(last + 1, cleared_ + kStepsPerClockReading);
      std::fill(bits_.get() + cleared_, bits_.get() + end, Word{0});
      if (poller_.Work(end - cleared_)) return false;
      cleared_ = end;
    }
    return true;
  }

  // Word w as the settled words compare it: sum 0 counts as reached.
  Word Settled(std::int64_t w) const { return bits_[w] | (w == 0 ? 1 : 0); }

  // Whether a shift by `shift_bits` within words maps the settled pattern into itself: then a pass reaches
  // nothing new in the settled words, whose sources lie below them and hold no more than the pattern.
  bool KeepsPattern(int shift_bits) const { return (RotateLeft(pattern_, shift_bits) & ~pattern_) == 0; }

  // After a pass: when it may have written into the settled words, they are found again from word 0;
  // otherwise they only grow. Gives kNotYet, or kStopAsked.
  std::int64_t Settle(bool pattern_kept) {
    if (!pattern_kept || settled_ == 0) {
      pattern_ = Settled(0);
      settled_ = 1;
    }
    const std::int64_t from = settled_;
    while (settled_ < cleared_ && Settled(settled_) == pattern_) ++settled_;
    return poller_.Work(settled_ - from) ? kStopAsked : kNotYet;
  }

  Poller& poller_;
  std::int64_t top_ = 0;
  std::int64_t words_ = 0;
  std::int64_t last_page_ = -1;  // of the rows last written
  std::int64_t cleared_ = 0;  // words 0..cleared_-1 are cleared or hold reached sums; the rest is unread
  std::int64_t settled_ = 0;  // words 0..settled_-1 hold pattern_
  Word pattern_ = 0;
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

SummandSearch Search(const std::vector<double>& values, double minimum, double maximum, const SummandPoll& poll) {
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
  Poller poller(poll);
  ReachableSums sums(poller);
  if (!sums.Allocate(total)) return Refused(SummandRefusal::kNoMemory);

  SummandSearch result;
  result.g = g;
  result.table_sums = total + 1;
  std::int64_t bound = 0, best = kNotYet;
  for (std::size_t j = 0; j < x.size() && best == kNotYet;) {
    const std::int64_t r = x[j] / g;
    std::size_t run = 1;
    if (r < 1 || r > m) {
      if (poller.Work(1)) best = kStopAsked;
      j += run;
      continue;
    }
    // A value repeated on the next rows: one sweep for all of them, when each word takes its sources from
    // lower words (r of at least one word), as the bottom-up sweep needs.
    if (r >= kWordBits)
      while (j + run < x.size() && x[j + run] / g == r) ++run;
    for (std::size_t k = 0; k < run; ++k) bound = AddCapped(bound, r, m);
    const auto row = static_cast<std::uint32_t>(j + 1);
    best = run > 1 ? sums.ExtendByRun(r, static_cast<std::int64_t>(run), bound, target, row)
                   : sums.ExtendBy(r, bound, target, row);
    j += run;
  }
  if (best == kStopAsked) return Refused(SummandRefusal::kStopped);
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

SummandSearch FindSummands(const std::vector<double>& values, double minimum, double maximum,
                           const SummandPoll& poll) {
  try {
    return Search(values, minimum, maximum, poll);
  } catch (...) {
    return Refused(SummandRefusal::kNoMemory);
  }
}

ScopedPollSpacingForTesting::ScopedPollSpacingForTesting(std::chrono::milliseconds spacing)
    : saved_(g_poll_spacing) {
  g_poll_spacing = spacing;
}

ScopedPollSpacingForTesting::~ScopedPollSpacingForTesting() { g_poll_spacing = saved_; }

}  // namespace korvel::xll
