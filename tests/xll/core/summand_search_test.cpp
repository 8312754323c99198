// The find-summands search on its own: the sheet examples, the refusals, and many small random inputs held
// against the plain table search (same divisor, sum and rows) and against every subset (a sum between the
// bounds is found whenever one exists).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "commands/summand_search.h"
#include "summand_table_search.h"

namespace korvel::test {
namespace {

using xll::FindSummands;
using xll::SummandRefusal;
using xll::SummandSearch;

struct Example {
  const char* what;
  std::vector<double> values;
  double b1, b2;
  std::int64_t g, best;
  std::vector<std::uint32_t> rows;
  bool within;
};

const Example kExamples[] = {
    {"3 5 7 to 12", {3, 5, 7}, 12, 12, 1, 12, {3, 2}, true},
    {"10 20 30 between 25 and 35 stops at 10 + 20", {10, 20, 30}, 25, 35, 10, 3, {2, 1}, true},
    // The minimum rounds up to whole multiples of g, so 3 + 9 is found and no question comes.
    {"3 6 9 between 10 and 12", {3, 6, 9}, 10, 12, 3, 4, {3, 1}, true},
    // A negative value takes no part, also not in the running bound: 5 + 3 is found.
    {"5 -1 3 to 8", {5, -1, 3}, 8, 8, 1, 8, {3, 1}, true},
    {"10 20 between 15 and 35 takes both", {10, 20}, 15, 35, 10, 3, {2, 1}, true},
    {"2.9 counts as 2", {2.9, 7}, 2, 2, 1, 2, {1}, true},
    {"empty cells and values above the maximum take no part", {0, 50, 4, 0, 6}, 10, 10, 2, 5, {5, 3}, true},
    // No pair reaches 8: the largest sum below it is the fallback, outside the bounds.
    {"no solution falls back below the minimum", {4, 6}, 8, 8, 2, 3, {2}, false},
    {"nothing reachable below the minimum", {9}, 5, 5, 9, 0, {}, false},
    {"a bound below zero for the minimum", {4, 6}, -3, 5, 2, 2, {1}, true},
};

TEST(SummandSearchTest, SheetExamples) {
  for (const Example& e : kExamples) {
    SCOPED_TRACE(e.what);
    SummandSearch got = FindSummands(e.values, e.b1, e.b2);
    ASSERT_EQ(got.refusal, SummandRefusal::kNone);
    EXPECT_EQ(got.g, e.g);
    EXPECT_EQ(got.best, e.best);
    EXPECT_EQ(got.rows, e.rows);
    EXPECT_EQ(got.within_bounds, e.within);
  }
}

TEST(SummandSearchTest, Refusals) {
  struct Case {
    const char* what;
    std::vector<double> values;
    double b1, b2;
    SummandRefusal why;
  } cases[] = {
      {"no positive value", {0, -3, 0.5}, 1, 5, SummandRefusal::kNoPositiveValue},
      {"no value at all", {}, 1, 5, SummandRefusal::kNoPositiveValue},
      {"maximum below zero", {1, 2}, -5, -1, SummandRefusal::kNegativeMaximum},
      {"value beyond 64 bits", {1, 1e19}, 1, 5, SummandRefusal::kBeyondRange},
      {"negative value beyond 64 bits", {1, -1e19}, 1, 5, SummandRefusal::kBeyondRange},
      {"2^63 itself", {1, 9223372036854775808.0}, 1, 5, SummandRefusal::kBeyondRange},
      {"minimum beyond 64 bits", {1}, -1e19, 5, SummandRefusal::kBeyondRange},
      {"maximum beyond 64 bits", {1}, 1, 1e300, SummandRefusal::kBeyondRange},
      {"not a number", {1, std::nan("")}, 1, 5, SummandRefusal::kBeyondRange},
      {"table of 2^28 sums", {1, 268435455}, 1, 1e12, SummandRefusal::kTableTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FindSummands(c.values, c.b1, c.b2).refusal, c.why);
  }
  // One sum fewer than the limit is searched; so is a huge maximum over small values.
  EXPECT_EQ(FindSummands({1, 268435454}, 268435455, 268435455).rows, (std::vector<std::uint32_t>{2, 1}));
  EXPECT_EQ(FindSummands({3, 4}, 7, 9e18).best, 7);
}

// Every subset of the values that take part (1 <= x / g <= B2 / g): whether one sums to B1..B2.
bool SomeSubsetWithin(const std::vector<std::int64_t>& x, std::int64_t g, std::int64_t b1, std::int64_t b2) {
  std::vector<std::int64_t> part;
  for (std::int64_t v : x)
    if (v / g >= 1 && v / g <= b2 / g) part.push_back(v);
  for (std::uint32_t mask = 0; mask < (1u << part.size()); ++mask) {
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < part.size(); ++i)
      if (mask >> i & 1) sum += part[i];
    if (sum >= b1 && sum <= b2) return true;
  }
  return false;
}

struct RandomShape {
  int max_count;
  int low, high;      // values drawn from low..high, scaled by a common factor
  int max_factor;
  bool fractions;
};

TEST(SummandSearchTest, RandomInputsAgreeWithTableSearchAndSubsets) {
  const RandomShape shapes[] = {
      {8, -3, 12, 1, false},   // dense small sums, negatives and zeros among them
      {12, 0, 40, 3, false},   // common factors
      {10, 1, 300, 1, false},  // sums across several 64-bit words
      {14, 50, 200, 1, true},  // fractional parts dropped
      {6, 60, 70, 1, false},   // every value near the next word boundary
  };
  std::mt19937_64 random(15);
  int searched = 0, within = 0;
  for (const RandomShape& shape : shapes) {
    for (int round = 0; round < 600; ++round) {
      const int n = 1 + static_cast<int>(random() % shape.max_count);
      const int factor = 1 + static_cast<int>(random() % shape.max_factor);
      std::vector<double> values(n);
      std::vector<std::int64_t> x(n);
      std::int64_t total = 0;
      for (int j = 0; j < n; ++j) {
        x[j] = (shape.low + static_cast<std::int64_t>(random() % (shape.high - shape.low + 1))) * factor;
        values[j] = static_cast<double>(x[j]) + (shape.fractions ? (random() % 100) / 100.0 : 0);
        if (x[j] > 0) total += x[j];
      }
      const std::int64_t b1 = static_cast<std::int64_t>(random() % (total + 8)) - 4;
      const std::int64_t b2 = b1 + static_cast<std::int64_t>(random() % (shape.high * factor + 1)) - 2;
      SCOPED_TRACE(testing::Message() << "shape " << (&shape - shapes) << " round " << round << " b1 " << b1
                                      << " b2 " << b2);
      SummandSearch got = FindSummands(values, static_cast<double>(b1), static_cast<double>(b2));
      TableSearchResult want = TableSearch(x, b1, b2);
      ASSERT_EQ(got.refusal != SummandRefusal::kNone, want.refused);
      if (want.refused) continue;
      ++searched;
      ASSERT_EQ(got.g, want.g);
      ASSERT_EQ(got.best, want.best);
      ASSERT_EQ(got.rows, want.rows);
      // The rows are distinct values that take part and add up to g * best.
      std::int64_t sum = 0;
      std::vector<bool> seen(n, false);
      for (std::uint32_t row : got.rows) {
        ASSERT_GE(row, 1u);
        ASSERT_LE(row, static_cast<std::uint32_t>(n));
        ASSERT_FALSE(seen[row - 1]);
        seen[row - 1] = true;
        ASSERT_GE(x[row - 1] / got.g, 1);
        sum += x[row - 1];
      }
      ASSERT_EQ(sum, got.g * got.best);
      ASSERT_EQ(got.within_bounds, sum >= b1 && sum <= b2);
      ASSERT_EQ(got.within_bounds, SomeSubsetWithin(x, got.g, b1, b2));
      within += got.within_bounds;
    }
  }
  // The draws must have exercised both outcomes.
  EXPECT_GT(searched, 1000);
  EXPECT_GT(within, 200);
  EXPECT_GT(searched - within, 200);
}

}  // namespace
}  // namespace korvel::test

namespace korvel::test {
namespace {

// Runs of one value on consecutive rows go through the sums in one sweep, and passes skip the words whose
// pattern of reached sums their shift keeps: the rows chosen stay those of the plain table search, whether
// the search stops inside a run, after it, or runs to its end.
TEST(SummandSearchTest, RepeatedValuesAndSettledPatternsAgreeWithTableSearch) {
  struct Shape {
    const char* what;
    int low, high;     // values drawn from low..high
    int max_repeat;    // a value repeated on up to this many consecutive rows
    int even_only;     // 1: all values even, then a 1 at the end
  } shapes[] = {
      {"runs of values of one word and more", 64, 300, 12, 0},
      {"runs of values of several words", 100, 2000, 30, 0},
      {"runs among small values", 1, 130, 6, 0},
      {"even values, then a 1", 1, 150, 3, 1},
      {"runs with empty cells and values above the maximum", -20, 400, 10, 0},
  };
  std::mt19937_64 random(2118);
  int compared = 0, within = 0;
  for (const Shape& shape : shapes) {
    for (int round = 0; round < 300; ++round) {
      std::vector<std::int64_t> x;
      const int n = 1 + static_cast<int>(random() % 40);
      while (static_cast<int>(x.size()) < n) {
        std::int64_t v = shape.low + static_cast<std::int64_t>(random() % (shape.high - shape.low + 1));
        if (shape.even_only) v *= 2;
        const int repeat = 1 + static_cast<int>(random() % shape.max_repeat);
        for (int k = 0; k < repeat; ++k) x.push_back(v);
      }
      if (shape.even_only) x.push_back(1);
      std::int64_t total = 0;
      for (std::int64_t v : x)
        if (v > 0) total += v;
      // Bounds anywhere up to beyond the total, so that some searches never stop.
      const std::int64_t b1 = static_cast<std::int64_t>(random() % (total + total / 4 + 8)) - 4;
      const std::int64_t b2 = b1 + static_cast<std::int64_t>(random() % (2 * shape.high + 1)) - 2;
      SCOPED_TRACE(testing::Message() << shape.what << " round " << round << " b1 " << b1 << " b2 " << b2);
      const std::vector<double> values(x.begin(), x.end());
      const SummandSearch got = FindSummands(values, static_cast<double>(b1), static_cast<double>(b2));
      const TableSearchResult want = TableSearch(x, b1, b2);
      ASSERT_EQ(got.refusal != SummandRefusal::kNone, want.refused);
      if (want.refused) continue;
      ++compared;
      within += got.within_bounds;
      ASSERT_EQ(got.g, want.g);
      ASSERT_EQ(got.best, want.best);
      ASSERT_EQ(got.rows, want.rows);
    }
  }
  EXPECT_GT(compared, 1200);
  EXPECT_GT(within, 300);
  EXPECT_GT(compared - within, 300);
}

// A search with no sum at its target: 500 multiples of 10 and a 1 to 3,000,005, passes over up to 47,000
// words each, some tens of milliseconds in all (the poll is asked every few milliseconds).
struct LongSearch {
  std::vector<double> values;
  double bound = 3000005;
  LongSearch() {
    std::mt19937_64 random(4207);
    for (int i = 0; i < 500; ++i) values.push_back(10.0 * (1 + static_cast<int>(random() % 10000)));
    values.push_back(1);
  }
};

TEST(SummandSearchTest, ThePollIsAskedAndAStopEndsTheSearch) {
  const xll::ScopedPollSpacingForTesting polls_by_work(std::chrono::milliseconds(0));
  const LongSearch search;
  for (int stop_at : {1, 2}) {
    SCOPED_TRACE(stop_at);
    int polls = 0;
    const SummandSearch got =
        FindSummands(search.values, search.bound, search.bound, [&] { return ++polls == stop_at; });
    EXPECT_EQ(got.refusal, SummandRefusal::kStopped);
    EXPECT_EQ(polls, stop_at) << "no poll after the stop";
    EXPECT_TRUE(got.rows.empty());
  }
  // A poll that never stops leaves the outcome as it is without one.
  int polls = 0;
  const SummandSearch polled = FindSummands(search.values, search.bound, search.bound, [&] {
    ++polls;
    return false;
  });
  const SummandSearch plain = FindSummands(search.values, search.bound, search.bound);
  EXPECT_GT(polls, 0);
  ASSERT_EQ(polled.refusal, SummandRefusal::kNone);
  EXPECT_EQ(polled.best, plain.best);
  EXPECT_EQ(polled.rows, plain.rows);
}

}  // namespace
}  // namespace korvel::test
