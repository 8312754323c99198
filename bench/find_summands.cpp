// The find-summands search (bit set of reachable sums, 32-bit rows) beside the plain table search of 64-bit
// entries, and for 40 values a meet-in-the-middle solver, on the same inputs. Checks that the two searches
// give the same rows and that all three agree whether a sum between the bounds exists.
#include <algorithm>
#include <cstdio>
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
  std::printf(all_same ? "all results agree\n" : "RESULTS DIFFER\n");
  return all_same ? 0 : 1;
}
