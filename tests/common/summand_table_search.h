// The find-summands search written out as the plain table search: one 64-bit entry per reduced sum
// 0..M, each pass scanning its sums one by one from the top. Running bounds count only the values that
// take part, and the minimum rounds up (lo = ceil(B1 / g)). The tests and the benchmark hold the add-in's
// bit-set search against it; it is kept as simple as the words it follows, not fast.
#pragma once

#include <cstdint>
#include <vector>

namespace korvel::test {

struct TableSearchResult {
  bool refused = false;  // no positive value, or B2 < 0
  std::int64_t g = 0;
  std::int64_t best = 0;
  std::vector<std::uint32_t> rows;  // 1-based, in the order the table gives them back
};

// `x` are the truncated values of column A, `b1` and `b2` the truncated bounds.
inline TableSearchResult TableSearch(const std::vector<std::int64_t>& x, std::int64_t b1, std::int64_t b2) {
  TableSearchResult out;
  std::int64_t g = 0;
  for (std::int64_t v : x) {
    if (v <= 0) continue;
    std::int64_t a = g, b = v;
    while (b) {
      std::int64_t t = a % b;
      a = b;
      b = t;
    }
    g = a;
  }
  if (g <= 0 || b2 < 0) {
    out.refused = true;
    return out;
  }
  const std::int64_t n = static_cast<std::int64_t>(x.size());
  std::vector<std::int64_t> r(n);
  for (std::int64_t j = 0; j < n; ++j) r[j] = x[j] / g;
  std::int64_t lo = b1 / g;
  if (b1 > 0 && b1 % g != 0) ++lo;
  const std::int64_t m = b2 / g;
  const std::int64_t t = lo < m ? lo : m;
  std::vector<std::int64_t> p(n);
  std::int64_t running = 0;
  for (std::int64_t j = 0; j < n; ++j) {
    if (r[j] >= 1 && r[j] <= m) running = running + r[j] < m ? running + r[j] : m;
    p[j] = running;
  }
  std::vector<std::int64_t> table(m + 1, 0);
  std::int64_t best = -1;
  for (std::int64_t j = 1; j <= n && best < 0; ++j) {
    const std::int64_t rj = r[j - 1];
    if (rj < 1 || rj > m) continue;
    for (std::int64_t s = p[j - 1] - rj; s >= 1; --s) {
      if (table[s] != 0 && table[s + rj] == 0) {
        table[s + rj] = j;
        if (s + rj >= t) {
          best = s + rj;
          break;
        }
      }
    }
    if (best >= 0) break;
    if (table[rj] == 0) {
      table[rj] = j;
      if (rj >= t) best = rj;
    }
  }
  if (best < 0) {
    best = 0;
    for (std::int64_t s = t - 1; s >= 1; --s)
      if (s <= m && table[s] != 0) {
        best = s;
        break;
      }
  }
  out.g = g;
  out.best = best;
  for (std::int64_t s = best; s > 0; s -= r[table[s] - 1]) out.rows.push_back(static_cast<std::uint32_t>(table[s]));
  return out;
}

}  // namespace korvel::test
