// The key sort of ArraySortV's number columns against the comparator sort (the stable merge sort with
// VariantLess, VariantGreater and the table row order, run by the test on a copy): random lists and tables
// of every number type and mix, with ties across types, +0 and -0, denormals, infinities and the integers
// that a double does not hold, by one to three keys in both directions. Every array must come back byte for
// byte as the comparator sort leaves it, and the key road must be taken exactly where every key cell is a
// number that a key ranks as VarCmp does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "sort_runs.h"
#include "test_support.h"
#include "toolbox/number_key_sort.h"
#include "toolbox/parallel_sort.h"
#include "toolbox/sort_comparators.h"
#include "toolbox/vba.h"

namespace korvel::test {
namespace {

using Cell = std::function<VARIANT(std::mt19937_64&)>;

// Every byte set: cells that hold nothing but their type and value, unless a maker adds more.
VARIANT Make(VARTYPE vt) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  V_VT(&v) = vt;
  return v;
}

template <class T>
T Pick(std::mt19937_64& random, const std::vector<T>& values) {
  return values[random() % values.size()];
}

const double kTwo53 = 9007199254740992.0;
const double kInf = std::numeric_limits<double>::infinity();

// Values chosen to tie across types (3 as every type, 0 and -0), to sit at the edges of the double
// (denormals, infinities, the largest finite values, 2^53 and its neighbours) and, half the time, random
// bit patterns that spread the keys over every radix digit.
double EdgeDouble(std::mt19937_64& random) {
  static const std::vector<double> edges = {
      0.0, -0.0, 3.0, -3.0, 1.0, -1.0, 0.5, 0.1, -0.1, 1e-310, -1e-310, 4.9e-324, -4.9e-324, DBL_MIN, DBL_MAX,
      -DBL_MAX, kInf, -kInf, kTwo53, kTwo53 + 2, -kTwo53, 1e15, 255.0, 32767.0, 2147483647.0,
      static_cast<double>(0.1f), 16777216.0, 16777217.0, 9.2233720368547758e18, -9.2233720368547758e18};
  if (random() % 2) return Pick(random, edges);
  for (;;) {
    std::uint64_t bits = random();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    if (d == d) return random() % 4 ? d : std::round(d / 1e300 * 1000) / 8;  // some small values too
  }
}

float EdgeFloat(std::mt19937_64& random) {
  static const std::vector<float> edges = {0.0f, -0.0f, 3.0f, -3.0f, 1.0f, 0.1f, 0.5f, 1e-45f, -1e-45f, FLT_MIN,
                                           FLT_MAX, -FLT_MAX, std::numeric_limits<float>::infinity(),
                                           -std::numeric_limits<float>::infinity(), 16777216.0f, 255.0f};
  if (random() % 2) return Pick(random, edges);
  for (;;) {
    std::uint32_t bits = static_cast<std::uint32_t>(random());
    float f;
    std::memcpy(&f, &bits, sizeof f);
    if (f == f) return f;
  }
}

VARIANT R8(double d) {
  VARIANT v = Make(VT_R8);
  V_R8(&v) = d;
  return v;
}

const Cell kDouble = [](std::mt19937_64& r) { return R8(EdgeDouble(r)); };
const Cell kDoubleNotMinusZero = [](std::mt19937_64& r) {
  double d = EdgeDouble(r);
  return R8(d == 0 ? 0.0 : d);
};
// Doubles that carry something in a reserved word: cells with equal values can differ, so the order of
// ties shows even in a list.
const Cell kDoubleWithReservedWord = [](std::mt19937_64& r) {
  VARIANT v = R8(Pick<double>(r, {1.0, 2.0, 3.0, -0.0, 0.0, 1e-310}));
  reinterpret_cast<unsigned char*>(&v)[2] = static_cast<unsigned char>(r() % 3);  // the first reserved word
  return v;
};
// Doubles that a float holds exactly: they rank the same against a Single at either precision.
const Cell kFloatExactDouble = [](std::mt19937_64& r) { return R8(static_cast<double>(EdgeFloat(r))); };
const Cell kDate = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_DATE);
  V_DATE(&v) = EdgeDouble(r);
  return v;
};
const Cell kDateNotMinusZero = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_DATE);
  double d = EdgeDouble(r);
  V_DATE(&v) = d == 0 ? 0.0 : d;
  return v;
};
const Cell kSingle = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_R4);
  V_R4(&v) = EdgeFloat(r);
  return v;
};
const Cell kSingleNotMinusZero = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_R4);
  float f = EdgeFloat(r);
  V_R4(&v) = f == 0 ? 0.0f : f;
  return v;
};
const Cell kByte = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_UI1);
  V_UI1(&v) = Pick<BYTE>(r, {0, 1, 3, 255, static_cast<BYTE>(r())});
  return v;
};
const Cell kShort = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_I2);
  V_I2(&v) = Pick<SHORT>(r, {0, -1, 3, -3, 32767, -32768, static_cast<SHORT>(r())});
  return v;
};
const Cell kLong = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_I4);
  V_I4(&v) = Pick<LONG>(r, {0, -1, 3, -3, 16777217, 2147483647, -2147483647 - 1, static_cast<LONG>(r())});
  return v;
};
// Booleans as VarCmp reads them: True is -1, and a short other than 0 and -1 counts as that short.
const Cell kBoolean = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_BOOL);
  V_BOOL(&v) = Pick<SHORT>(r, {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE, 1, 3, -2});
  return v;
};
const LONGLONG kI8Max = std::numeric_limits<LONGLONG>::max(), kI8Min = std::numeric_limits<LONGLONG>::min();
// 64-bit integers that a double holds exactly (up to 2^53).
const Cell kSmallI8 = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_I8);
  const LONGLONG two53 = LONGLONG{1} << 53;
  V_I8(&v) = Pick<LONGLONG>(r, {0, -1, 3, -3, two53, -two53, 16777217, 56294995342LL,
                                static_cast<LONGLONG>(r() % (2 * two53 + 1)) - two53});
  return v;
};
// And those it does not: 2^53 + 1 and beyond, up to the ends of the type.
const Cell kLargeI8 = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_I8);
  const LONGLONG two53 = LONGLONG{1} << 53;
  V_I8(&v) = Pick<LONGLONG>(r, {two53 + 1, -two53 - 1, two53 + 3, kI8Max, kI8Min, kI8Max - 1, kI8Min + 1, 3,
                                static_cast<LONGLONG>(r())});
  return v;
};
// Currency in units of 1/10000, within 2^49 units (VarCmp compares currency through doubles).
const Cell kCurrency = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_CY);
  const LONGLONG limit = LONGLONG{1} << 49;
  V_CY(&v).int64 = Pick<LONGLONG>(r, {0, 1, -1, 1000, 30000, -30000, 10000, -10000, limit, -limit, limit - 1,
                                      static_cast<LONGLONG>(r() % (2 * limit + 1)) - limit});
  return v;
};
// 64-bit integers beside currency: within 2^49 of its units, where currency and integers still rank exactly.
const Cell kCurrencySizedI8 = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_I8);
  const LONGLONG limit = (LONGLONG{1} << 49) / 10000;
  V_I8(&v) = Pick<LONGLONG>(r, {0, 1, -1, 2, 3, -3, limit, -limit, static_cast<LONGLONG>(r() % (2 * limit + 1)) - limit});
  return v;
};
// Currency beyond 2^49 units, where doubles no longer keep neighbouring values apart.
const Cell kLargeCurrency = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_CY);
  V_CY(&v).int64 = Pick<LONGLONG>(r, {(LONGLONG{1} << 53) + 1, LONGLONG{1} << 53, kI8Max, kI8Min, 30000});
  return v;
};
const Cell kDecimal = [](std::mt19937_64& r) {
  VARIANT v = Make(VT_DECIMAL);
  V_DECIMAL(&v).Lo64 = Pick<ULONGLONG>(r, {0, 1, 3, 30, 1000000000000000001ULL, r()});
  V_DECIMAL(&v).scale = static_cast<BYTE>(r() % 2 ? 0 : r() % 20);
  V_DECIMAL(&v).sign = r() % 3 ? 0 : DECIMAL_NEG;
  return v;
};
const Cell kNaN = [](std::mt19937_64&) { return R8(std::numeric_limits<double>::quiet_NaN()); };
const Cell kEmpty = [](std::mt19937_64&) { return Make(VT_EMPTY); };
const Cell kString = [](std::mt19937_64& r) { return VBstr(Pick<const wchar_t*>(r, {L"3", L"a", L"B", L""})); };
const Cell kError = [](std::mt19937_64&) {
  VARIANT v = Make(VT_ERROR);
  V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
};

VARIANT Single(float f) {
  VARIANT v = Make(VT_R4);
  V_R4(&v) = f;
  return v;
}
VARIANT Currency(LONGLONG units) {
  VARIANT v = Make(VT_CY);
  V_CY(&v).int64 = units;
  return v;
}

struct Mix {
  const char* name;
  std::vector<Cell> cells;  // each cell of a key column is drawn from one of these
  bool key_road;            // every key column is one that a key ranks exactly
  // Planted at random rows of every key column of a mix that leaves the comparator to decide, so that a
  // small draw cannot miss what makes the column so.
  std::vector<std::function<VARIANT()>> spoilers = {};
};

const std::vector<Mix>& Mixes() {
  static const std::vector<Mix> mixes = {
      {"doubles", {kDouble}, true},
      // Lists of one type whose cells hold only their values (no -0): written back from their keys.
      {"doubles without -0", {kDoubleNotMinusZero}, true},
      {"dates without -0", {kDateNotMinusZero}, true},
      {"Singles without -0", {kSingleNotMinusZero}, true},
      {"Longs", {kLong}, true},
      {"Booleans", {kBoolean}, true},
      {"64-bit integers of any size", {kLargeI8, kSmallI8}, true},
      {"doubles with a reserved word", {kDoubleWithReservedWord}, true},
      {"doubles and small integers", {kDouble, kLong, kShort, kByte}, true},
      {"doubles, dates and Booleans", {kDouble, kDate, kBoolean}, true},
      {"doubles and 64-bit integers within 2^53", {kDouble, kSmallI8, kLong, kDate, kBoolean}, true},
      {"every type that ranks as a double", {kDouble, kDate, kBoolean, kSmallI8, kLong, kShort, kByte}, true},
      {"Singles", {kSingle}, true},
      {"Singles with exact doubles and small integers", {kSingle, kFloatExactDouble, kShort, kByte, kBoolean}, true},
      {"64-bit integers of any size with integers", {kLargeI8, kSmallI8, kLong, kShort, kByte, kBoolean}, true},
      {"currency with integers", {kCurrency, kLong, kShort, kBoolean, kByte, kCurrencySizedI8}, true},
      {"currency", {kCurrency}, true},
      // Left to the comparator.
      {"Singles with doubles", {kSingle, kDouble}, false, {[] { return Single(0.1f); }, [] { return R8(0.1); }}},
      {"64-bit integers beyond 2^53 with doubles", {kLargeI8, kDouble}, false,
       {[] { return VI8((LONGLONG{1} << 53) + 1); }, [] { return R8(kTwo53); }}},
      {"currency with doubles", {kCurrency, kDouble}, false, {[] { return Currency(1000); }, [] { return R8(0.1); }}},
      {"currency beyond 2^49 units", {kLargeCurrency, kCurrency}, false,
       {[] { return Currency((LONGLONG{1} << 49) + 1); }}},
      {"Decimals", {kDecimal, kLong}, false, {[] {
         std::mt19937_64 r(7);
         return kDecimal(r);
       }}},
      {"doubles with a NaN", {kDouble, kDouble, kDouble, kNaN}, false,
       {[] { return R8(std::numeric_limits<double>::quiet_NaN()); }}},
      {"doubles with empties", {kDouble, kEmpty}, false, {[] { return Make(VT_EMPTY); }}},
      {"doubles with strings", {kDouble, kString}, false, {[] { return VBstr(L"3"); }}},
      {"doubles with errors", {kDouble, kError}, false, {[] {
         std::mt19937_64 r(7);
         return kError(r);
       }}},
  };
  return mixes;
}

// A column-major block of VARIANTs that frees what its cells hold.
struct Block {
  std::size_t height = 0, width = 0;
  std::vector<VARIANT> cells;
  Block() = default;
  Block(const Block&) = delete;
  ~Block() {
    for (VARIANT& v : cells) VariantClear(&v);
  }
};

std::string Bytes(const VARIANT* cells, std::size_t count) {
  return std::string(reinterpret_cast<const char*>(cells), count * sizeof(VARIANT));
}

// The comparator sort of today's ArraySortV on a flat copy of the cells: a list sorted in place with the
// variant order, a table through its row indices with the row order, rows moved afterwards.
std::string ComparatorSort(const Block& block, int key_count, const std::size_t columns[3], const bool descending[3]) {
  std::vector<VARIANT> work(block.cells);
  if (block.width == 1 && key_count == 1 && columns[0] == 0) {
    if (descending[0]) ParallelSort(work.data(), work.size(), [](const VARIANT& a, const VARIANT& b) { return VariantGreater(a, b); });
    else ParallelSort(work.data(), work.size(), [](const VARIANT& a, const VARIANT& b) { return VariantLess(a, b); });
    return Bytes(work.data(), work.size());
  }
  TableRowOrder order{block.cells.data(), block.height, key_count, {}, {}};
  for (int k = 0; k < 3; ++k) {
    order.columns[k] = columns[k];
    order.descending[k] = descending[k];
  }
  std::vector<std::uint32_t> rows(block.height);
  for (std::size_t r = 0; r < rows.size(); ++r) rows[r] = static_cast<std::uint32_t>(r);
  ParallelSort(rows.data(), rows.size(), order);
  for (std::size_t c = 0; c < block.width; ++c)
    for (std::size_t i = 0; i < block.height; ++i) work[c * block.height + i] = block.cells[c * block.height + rows[i]];
  return Bytes(work.data(), work.size());
}

struct KeyChoice {
  LONG k1;
  bool d1;
  LONG k2;
  bool d2;
  LONG k3;
  bool d3;
};

// Tables of three key columns drawn from the mix, with few distinct values so that later keys decide, and
// a fourth column numbering the rows, which shows any change in the order of tied rows.
const KeyChoice kTableKeys[] = {
    {0, false, 0, false, 0, false}, {2, false, 1, true, 0, false}, {1, false, 2, true, 3, false},
    {3, true, 1, false, 2, true},   {2, true, 3, true, 1, true},
};

class NumberKeySort : public SortRunTest {
 protected:
  HRESULT SortV(VARIANT* a, const KeyChoice& k) {
    auto b = [](bool x) { return x ? VARIANT_TRUE : VARIANT_FALSE; };
    return vba_->ArraySortV(a, k.k1, b(k.d1), k.k2, b(k.d2), k.k3, b(k.d3));
  }

  // Fills a block, sorts it by the key road directly and through the member, and compares both with the
  // comparator sort.
  void Check(const Mix& mix, std::size_t height, bool table, const KeyChoice& keys, unsigned seed) {
    std::mt19937_64 random(seed);
    Block block;
    block.height = height;
    block.width = table ? 4 : 1;
    // A small pool of values per key column makes ties; a list draws each cell afresh.
    std::vector<std::vector<VARIANT>> pools(3);
    for (auto& pool : pools)
      for (int i = 0; i < 6; ++i) pool.push_back(mix.cells[random() % mix.cells.size()](random));
    for (std::size_t c = 0; c < block.width; ++c) {
      for (std::size_t r = 0; r < height; ++r) {
        VARIANT v;
        if (c == 3) {
          v = VI4(static_cast<LONG>(r));
        } else if (!table || random() % 2) {
          v = mix.cells[random() % mix.cells.size()](random);
        } else {
          VariantInit(&v);
          VariantCopy(&v, &pools[c][random() % pools[c].size()]);
        }
        block.cells.push_back(v);
      }
    }
    for (auto& pool : pools)
      for (VARIANT& v : pool) VariantClear(&v);
    for (std::size_t c = 0; c < std::min<std::size_t>(block.width, 3); ++c) {
      std::size_t row = random() % height;
      for (const auto& spoiler : mix.spoilers) {
        VARIANT& cell = block.cells[c * height + row++ % height];
        VariantClear(&cell);
        cell = spoiler();
      }
    }

    std::size_t columns[3] = {0, 0, 0};
    bool descending[3] = {keys.d1, keys.d2, keys.d3};
    int key_count = 1;
    if (keys.k2 == 0) {
      columns[0] = keys.k1 ? keys.k1 - 1 : 0;
    } else {
      columns[0] = keys.k1 - 1;
      columns[1] = keys.k2 - 1;
      key_count = 2;
      if (keys.k3) {
        columns[2] = keys.k3 - 1;
        key_count = 3;
      }
    }
    const std::string expected = ComparatorSort(block, key_count, columns, descending);
    const std::string what = std::string(mix.name) + (table ? " table" : " list") + " of " + std::to_string(height) +
                             " rows, keys " + std::to_string(keys.k1) + (keys.d1 ? "d " : "a ") +
                             std::to_string(keys.k2) + (keys.d2 ? "d " : "a ") + std::to_string(keys.k3) +
                             (keys.d3 ? "d" : "a") + ", seed " + std::to_string(seed);

    std::vector<VARIANT> direct(block.cells);
    const bool took = SortRowsByNumberKeys(direct.data(), height, block.width, key_count, columns, descending);
    EXPECT_EQ(mix.key_road, took) << what;
    if (took) EXPECT_TRUE(expected == Bytes(direct.data(), direct.size())) << "key road: " << what;
    else EXPECT_TRUE(Bytes(block.cells.data(), block.cells.size()) == Bytes(direct.data(), direct.size())) << what;

    // Through the member: the array borrows the cells and gives them back.
    ScopedVariant array;
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(table ? height : height), 1}, {4, 1}};
    SAFEARRAY* a = table ? SafeArrayCreate(VT_VARIANT, 2, bounds) : SafeArrayCreate(VT_VARIANT, 1, bounds);
    ASSERT_NE(nullptr, a);
    std::memcpy(a->pvData, block.cells.data(), block.cells.size() * sizeof(VARIANT));
    V_VT(array.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(array.get()) = a;
    ASSERT_EQ(S_OK, SortV(array.get(), keys)) << what;
    EXPECT_TRUE(expected == Bytes(static_cast<VARIANT*>(a->pvData), block.cells.size())) << "ArraySortV: " << what;
    std::memset(a->pvData, 0, block.cells.size() * sizeof(VARIANT));  // the block frees the cells once
  }
};

KORVEL_SORT_RUNS(NumberKeySort);

TEST_P(NumberKeySort, ListsComeOutAsTheComparatorSortLeavesThem) {
  unsigned seed = 1;
  for (const Mix& mix : Mixes())
    for (std::size_t n : {2u, 31u, 2100u})
      for (bool descending : {false, true}) Check(mix, n, false, {0, descending, 0, false, 0, false}, seed++);
}

TEST_P(NumberKeySort, TablesComeOutAsTheComparatorSortLeavesThem) {
  unsigned seed = 1000;
  // Above 2048 rows the server sorts on several threads; there two key choices do.
  for (const Mix& mix : Mixes()) {
    for (std::size_t height : {2u, 45u})
      for (const KeyChoice& keys : kTableKeys) Check(mix, height, true, keys, seed++);
    Check(mix, 2100, true, kTableKeys[0], seed++);
    Check(mix, 2100, true, kTableKeys[3], seed++);
  }
}

// Key columns of different kinds in one table: the road is taken only when every key column has a key, and
// the other columns may hold anything.
TEST_P(NumberKeySort, EachKeyColumnIsJudgedOnItsOwn) {
  const std::vector<Mix>& mixes = Mixes();
  const Mix& doubles = mixes[0];
  auto named = [&](const char* name) -> const Mix& {
    for (const Mix& m : mixes)
      if (std::string(m.name) == name) return m;
    throw std::logic_error(name);
  };
  const Mix& wide_integers = named("64-bit integers of any size with integers");
  const Mix& currency = named("currency with integers");
  const Mix& strings = named("doubles with strings");
  struct Case {
    const Mix* columns[3];
    LONG k1, k2, k3;
    bool key_road;
  };
  const Case cases[] = {
      {{&doubles, &wide_integers, &currency}, 1, 2, 3, true},
      {{&currency, &doubles, &strings}, 2, 1, 0, true},
      {{&currency, &doubles, &strings}, 2, 3, 0, false},
      {{&strings, &doubles, &doubles}, 2, 0, 0, true},
  };
  unsigned seed = 5000;
  for (const Case& c : cases) {
    for (std::size_t height : {40u, 2600u}) {
      Mix mix{"per column", {}, c.key_road};
      // One mix per column: a cell of column k draws from the k-th mix.
      std::vector<std::size_t> sizes;
      for (const Mix* m : c.columns) sizes.push_back(m->cells.size());
      std::mt19937_64 random(seed);
      Block block;
      block.height = height;
      block.width = 4;
      for (std::size_t col = 0; col < 4; ++col)
        for (std::size_t r = 0; r < height; ++r)
          block.cells.push_back(col == 3 ? VI4(static_cast<LONG>(r))
                                         : c.columns[col]->cells[random() % sizes[col]](random));
      for (std::size_t col = 0; col < 3; ++col) {
        std::size_t row = random() % height;
        for (const auto& spoiler : c.columns[col]->spoilers) {
          VARIANT& cell = block.cells[col * height + row++ % height];
          VariantClear(&cell);
          cell = spoiler();
        }
      }
      std::size_t columns[3] = {static_cast<std::size_t>(c.k1 - 1), static_cast<std::size_t>(c.k2 ? c.k2 - 1 : 0),
                                static_cast<std::size_t>(c.k3 ? c.k3 - 1 : 0)};
      bool descending[3] = {true, false, true};
      int key_count = c.k3 ? 3 : c.k2 ? 2 : 1;
      const std::string expected = ComparatorSort(block, key_count, columns, descending);
      std::vector<VARIANT> direct(block.cells);
      const bool took = SortRowsByNumberKeys(direct.data(), height, 4, key_count, columns, descending);
      EXPECT_EQ(c.key_road, took) << c.k1 << c.k2 << c.k3 << " " << height;
      EXPECT_TRUE(expected == Bytes(direct.data(), direct.size()) || !took) << c.k1 << c.k2 << c.k3 << " " << height;
      ++seed;
    }
  }
}

}  // namespace
}  // namespace korvel::test
