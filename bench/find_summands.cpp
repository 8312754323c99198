// The find-summands search (bit set of reachable sums, 32-bit rows) beside the plain table search of 64-bit
// entries, and for 40 values a meet-in-the-middle solver, on the same inputs. Checks that the two searches
// give the same rows and that all three agree whether a sum between the bounds exists. Then the worst cases,
// where no sum reaches the target and every row runs a pass: each at full size beside the table search on
// a smaller copy (the table search at full size would take hours, and the last one 2 GiB), the longest
// stretch between two polls, and how soon a stop follows the poll that asks for it.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "bench_support.h"
#include "commands/summand_search.h"
#include "summand_table_search.h"

using namespace korvel;
using namespace korvel::bench;

namespace {

struct Input {
  const char* what;
  std::vector<std::int64_t> values;
  std::int64_t b1, b2;
};

// Whether some subset of the values that take part (positive, at most b2) sums to b1..b2: all sums of each
// half, one half sorted, a range look-up for each sum of the other.
bool MeetInTheMiddle(const std::vector<std::int64_t>& values, std::int64_t b1, std::int64_t b2) {
  std::vector<std::int64_t> part;
  for (std::int64_t v : values)
    if (v > 0 && v <= b2) part.push_back(v);
  const std::size_t half = part.size() / 2;
  auto sums = [&](std::size_t from, std::size_t to) {
    std::vector<std::int64_t> out{0};
    for (std::size_t i = from; i < to; ++i) {
      const std::size_t n = out.size();
      for (std::size_t k = 0; k < n; ++k) out.push_back(out[k] + part[i]);
    }
    return out;
  };
  std::vector<std::int64_t> left = sums(0, half), right = sums(half, part.size());
  std::sort(right.begin(), right.end());
  for (std::int64_t a : left) {
    auto it = std::lower_bound(right.begin(), right.end(), b1 - a);
    if (it != right.end() && a + *it <= b2) return true;
  }
  return false;
}

void PrintMs(const char* name, double seconds) { std::printf("  %s %10.2f ms", name, seconds * 1e3); }

bool Run(const Input& input) {
  std::vector<double> cells(input.values.begin(), input.values.end());
  xll::SummandSearch bits;
  const double bit_time = Best(3, [&] { bits = xll::FindSummands(cells, double(input.b1), double(input.b2)); });
  test::TableSearchResult table;
  const double table_time = Best(1, [&] { table = test::TableSearch(input.values, input.b1, input.b2); });
  const bool table_within = !table.refused && table.g * table.best >= input.b1 && table.g * table.best <= input.b2;
  bool same = bits.refusal == xll::SummandRefusal::kNone && !table.refused && bits.g == table.g &&
              bits.best == table.best && bits.rows == table.rows && bits.within_bounds == table_within;
  std::printf("%s\n  %zu values, sums 0..%lld, %s, %zu rows chosen%s\n", input.what, input.values.size(),
              static_cast<long long>(bits.table_sums - 1), bits.within_bounds ? "sum in bounds" : "no sum in bounds",
              bits.rows.size(), same ? "" : "  MISMATCH with the table search");
  PrintMs("bit set", bit_time);
  PrintMs("table", table_time);
  if (input.values.size() <= 40) {
    bool exists = false;
    const double mitm_time = Best(3, [&] { exists = MeetInTheMiddle(input.values, input.b1, input.b2); });
    PrintMs("meet-in-the-middle", mitm_time);
    std::printf("  table/bit set %.1f  meet-in-the-middle/bit set %.1f\n", table_time / bit_time,
                mitm_time / bit_time);
    if (exists != bits.within_bounds) {
      std::printf("  MISMATCH: meet-in-the-middle says a sum %s\n", exists ? "exists" : "does not exist");
      same = false;
    }
  } else {
    std::printf("  table/bit set %.1f\n", table_time / bit_time);
  }
  return same;
}

// A poll that keeps the longest gap between two of its calls (and from the start to the first), and asks
// for a stop once `stop_after` seconds have passed since the start.
struct TimedPoll {
  double start = Now(), last = start, longest_gap = 0, stop_after = 1e300, stopped_at = 0;
  int polls = 0;
  bool operator()() {
    const double now = Now();
    if (now - last > longest_gap) longest_gap = now - last;
    last = now;
    ++polls;
    if (now - start < stop_after) return false;
    stopped_at = now;
    return true;
  }
};

struct WorstCase {
  const char* what;
  std::vector<std::int64_t> values;  // full size
  std::int64_t bound;                // B1 = B2
  std::vector<std::int64_t> smaller;
  std::int64_t smaller_bound;
};

bool RunWorst(const WorstCase& c) {
  std::printf("%s\n", c.what);
  const std::vector<double> cells(c.values.begin(), c.values.end());
  xll::SummandSearch full;
  TimedPoll poll;
  const double start = Now();
  full = xll::FindSummands(cells, double(c.bound), double(c.bound), std::ref(poll));
  const double full_time = Now() - start;
  std::printf("  full size: %zu values, sums 0..%lld, %s: bit set %.3f s, %d polls, longest gap %.1f ms\n",
              c.values.size(), static_cast<long long>(full.table_sums - 1),
              full.within_bounds ? "sum in bounds" : "no sum in bounds", full_time, poll.polls,
              poll.longest_gap * 1e3);
  const std::vector<double> small(c.smaller.begin(), c.smaller.end());
  xll::SummandSearch bits;
  const double bit_time =
      Best(3, [&] { bits = xll::FindSummands(small, double(c.smaller_bound), double(c.smaller_bound)); });
  test::TableSearchResult table;
  const double table_time = Best(1, [&] { table = test::TableSearch(c.smaller, c.smaller_bound, c.smaller_bound); });
  const bool same = bits.refusal == xll::SummandRefusal::kNone && full.refusal == xll::SummandRefusal::kNone &&
                    !table.refused && bits.best == table.best && bits.rows == table.rows;
  std::printf("  smaller copy: %zu values to %lld: bit set %.2f ms, table %.2f ms (table/bit set %.0f)%s\n",
              c.smaller.size(), static_cast<long long>(c.smaller_bound), bit_time * 1e3, table_time * 1e3,
              table_time / bit_time, same ? "" : "  MISMATCH with the table search");
  return same;
}

// The stop: the poll answers true once `after` seconds have passed; the search must end soon after.
bool RunStop(const WorstCase& c, double after) {
  const std::vector<double> cells(c.values.begin(), c.values.end());
  TimedPoll poll;
  poll.stop_after = after;
  const xll::SummandSearch stopped = xll::FindSummands(cells, double(c.bound), double(c.bound), std::ref(poll));
  const double end = Now();
  if (stopped.refusal != xll::SummandRefusal::kStopped) {
    std::printf("stop after %.2f s: the search ended first (%d polls)\n", after, poll.polls);
    return true;
  }
  const double latency = end - poll.stopped_at;
  std::printf("stop asked by the poll at %.3f s (poll %d): the search returned %.3f ms later%s\n",
              poll.stopped_at - poll.start, poll.polls, latency * 1e3, latency < 0.2 ? "" : "  TOO LATE");
  return latency < 0.2;
}

}  // namespace

int main() {
  std::mt19937_64 random(118);
  std::vector<Input> inputs;

  Input a{"(a) 1,000 multiples of 10 up to 100,000 and one 1, B1 = B2 = 10,000,005 (no solution: full run)"};
  for (int i = 0; i < 1000; ++i) a.values.push_back(10 * (1 + static_cast<std::int64_t>(random() % 10000)));
  a.values.push_back(1);
  a.b1 = a.b2 = 10000005;
  inputs.push_back(a);

  Input b{"(b) 100,000 values 1..1,000, B1 = B2 = sum of every other one of the first 20,000"};
  for (int i = 0; i < 100000; ++i) b.values.push_back(1 + static_cast<std::int64_t>(random() % 1000));
  b.b1 = 0;
  for (int i = 0; i < 20000; i += 2) b.b1 += b.values[i];
  b.b2 = b.b1;
  inputs.push_back(b);

  Input c{"(c) 40 values 1..5,000,000, B1 = B2 = sum of 20 of them"};
  for (int i = 0; i < 40; ++i) c.values.push_back(1 + static_cast<std::int64_t>(random() % 5000000));
  c.b1 = 0;
  for (int i = 0; i < 40; i += 2) c.b1 += c.values[i];
  c.b2 = c.b1;
  inputs.push_back(c);

  std::printf("find-summands search: bit set (best of 3) against the plain table search (one run)\n");
  bool all_same = true;
  for (const Input& input : inputs) all_same = Run(input) && all_same;

  // The worst cases: no sum reaches B1 = B2 = 2^28 - 1 and the reachable sums stay sparse or half full.
  std::vector<WorstCase> worst(3);
  worst[0].what = "(d) 16,383 values of 16384 and a 1, B1 = B2 = 268,435,455";
  worst[0].values.assign(16383, 16384);
  worst[0].values.push_back(1);
  worst[0].smaller.assign(255, 16384);
  worst[0].smaller.push_back(1);
  worst[0].smaller_bound = 4194303;
  worst[1].what = "(e) 65,535 values of 4096 and a 1, B1 = B2 = 268,435,455";
  worst[1].values.assign(65535, 4096);
  worst[1].values.push_back(1);
  worst[1].smaller.assign(511, 4096);
  worst[1].smaller.push_back(1);
  worst[1].smaller_bound = 2097151;
  worst[2].what = "(f) 100,000 random even values 2..2,000 and a 1, B1 = B2 = 268,435,455";
  for (int i = 0; i < 100000; ++i) worst[2].values.push_back(2 * (1 + static_cast<std::int64_t>(random() % 1000)));
  worst[2].smaller.assign(worst[2].values.begin(), worst[2].values.begin() + 1500);
  worst[2].values.push_back(1);
  worst[2].smaller.push_back(1);
  worst[2].smaller_bound = 2097151;
  for (WorstCase& c : worst) {
    c.bound = 268435455;
    all_same = RunWorst(c) && all_same;
  }
  bool in_time = true;
  for (double after : {0.05, 0.25}) in_time = RunStop(worst[2], after) && in_time;

  std::printf(all_same ? "all results agree\n" : "RESULTS DIFFER\n");
  return all_same && in_time ? 0 : 1;
}
