// The search of the find-summands command, without any host call: which values of column A add up to a
// sum between a minimum and a maximum.
//
// Values and bounds are truncated toward zero to 64-bit integers and divided by g, the greatest common
// divisor of the positive values. Only values whose reduced size r lies in 1..M (M = maximum / g) take part.
// The search walks the rows in order; in the pass of row j every sum reachable so far (without row j) is
// extended by r, and then r alone is reached. A pass never extends a sum with its own row, so each value is
// used at most once. The search stops in the first pass that reaches a sum of at least T = min(lo, M), with
// lo = ceil(minimum / g), at the largest sum that pass newly reached; a search without a stop settles for the
// largest sum reached below T. Each pass only reaches sums up to P(j), the running total of the values
// taking part so far, capped at M.
//
// Reachable sums are a bit set over 0..min(M, total of the values taking part), and each sum keeps the
// 32-bit row of the first pass that reached it, from which the chosen rows are rebuilt.
//
// A search over 2^28 sums can run for minutes when no sum reaches T, so it asks its caller, at least every
// kPollInterval of work and at most every kPollSpacing, whether to stop (the command asks the host whether
// the user pressed Esc).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace korvel::xll {

enum class SummandRefusal {
  kNone,
  kNoPositiveValue,  // no divisor g can be formed
  kNegativeMaximum,  // the maximum is below 0: no sum can lie under it
  kBeyondRange,      // a value or a bound does not fit a signed 64-bit integer
  kTableTooLarge,    // more than kMaxReducedSums reduced sums
  kNoMemory,         // the tables could not be allocated
  kStopped,          // the caller's poll asked the search to stop
};

// The longest stretch of work between two polls, and the shortest time between them.
constexpr std::chrono::milliseconds kPollInterval{100};
constexpr std::chrono::milliseconds kPollSpacing{5};

// Sets the shortest time between two polls for a test's lifetime. A test's search of some milliseconds
// would otherwise see more or fewer polls by the speed of the machine; with 0 they come by work alone.
class ScopedPollSpacingForTesting {
 public:
  explicit ScopedPollSpacingForTesting(std::chrono::milliseconds spacing);
  ~ScopedPollSpacingForTesting();
  ScopedPollSpacingForTesting(const ScopedPollSpacingForTesting&) = delete;
  ScopedPollSpacingForTesting& operator=(const ScopedPollSpacingForTesting&) = delete;

 private:
  std::chrono::milliseconds saved_;
};

// Answers true when the search is to stop.
using SummandPoll = std::function<bool()>;

// The largest table the search builds: 2^28 reduced sums (a gigabyte of rows).
constexpr std::int64_t kMaxReducedSums = std::int64_t{1} << 28;

struct SummandSearch {
  SummandRefusal refusal = SummandRefusal::kNone;
  std::int64_t g = 0;                // divisor of every value taking part
  std::int64_t best = 0;             // the reduced sum found (g * best is the sum of the chosen values)
  bool within_bounds = false;        // minimum <= g * best <= maximum
  std::vector<std::uint32_t> rows;   // the chosen rows, 1-based, from the last reached to the first
  std::int64_t table_sums = 0;       // reduced sums the tables cover (0 after a refusal before they exist)
};

// `values` are column A from row 1 on, `minimum` and `maximum` the cells B1 and B2, each already converted
// to a double. `poll`, when given, is asked from time to time during the search. Never throws.
SummandSearch FindSummands(const std::vector<double>& values, double minimum, double maximum,
                           const SummandPoll& poll = SummandPoll());

// The truncation of the search: toward zero; false when `v` is not a number or beyond the 64-bit range.
bool TruncateToInt64(double v, std::int64_t& out);

}  // namespace korvel::xll
