// ArraySortS on arrays of strings, early-bound, through the built server and through an object of the
// server's own library with the parallel path forced on small inputs. Expected orders are written out by
// hand or come from a plain model sort over std::wstring in the test.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "toolbox/parallel_sort.h"
#include "sort_runs.h"
#include "test_support.h"
#include "toolbox/vba.h"

namespace korvel::test {
namespace {

using Cell = std::optional<std::wstring>;  // nullopt: a null BSTR
using Rows = std::vector<std::vector<Cell>>;
const Cell kNull = std::nullopt;

BSTR NewBstr(const Cell& c) { return c ? SysAllocStringLen(c->data(), static_cast<UINT>(c->size())) : nullptr; }
Cell CellOf(BSTR b) { return b ? Cell(std::wstring(b, SysStringLen(b))) : kNull; }

// A VARIANT that owns a SAFEARRAY of BSTR: a list, or a table given row by row.
class StringArray {
 public:
  StringArray(const std::vector<Cell>& list, LONG lower = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), lower};
    Adopt(SafeArrayCreate(VT_BSTR, 1, &bound));
    BSTR* data = Data();
    for (std::size_t i = 0; i < list.size(); ++i) data[i] = NewBstr(list[i]);
  }
  StringArray(const Rows& rows, LONG row_lower, LONG column_lower, std::size_t width = 0) {
    if (!rows.empty()) width = rows[0].size();
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), row_lower}, {static_cast<ULONG>(width), column_lower}};
    Adopt(SafeArrayCreate(VT_BSTR, 2, bounds));
    BSTR* data = Data();
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < width; ++c) data[c * rows.size() + r] = NewBstr(rows[r][c]);
  }
  explicit StringArray(SAFEARRAY* adopted) { Adopt(adopted); }
  VARIANT* get() { return v_.get(); }
  SAFEARRAY* array() { return V_ARRAY(v_.get()); }
  std::size_t Count() const {
    SAFEARRAY* a = V_ARRAY(&*v_);
    std::size_t count = 1;
    for (USHORT d = 0; d < a->cDims; ++d) count *= a->rgsabound[d].cElements;
    return count;
  }
  BSTR* Data() { return static_cast<BSTR*>(array()->pvData); }
  std::vector<BSTR> Pointers() { return std::vector<BSTR>(Data(), Data() + Count()); }
  std::vector<Cell> List() {
    std::vector<Cell> out;
    for (BSTR b : Pointers()) out.push_back(CellOf(b));
    return out;
  }
  Rows Table() {
    SAFEARRAY* a = array();
    std::size_t width = a->rgsabound[0].cElements, height = a->rgsabound[1].cElements;
    Rows rows(height, std::vector<Cell>(width));
    for (std::size_t r = 0; r < height; ++r)
      for (std::size_t c = 0; c < width; ++c) rows[r][c] = CellOf(Data()[c * height + r]);
    return rows;
  }

 private:
  void Adopt(SAFEARRAY* a) {
    V_VT(v_.get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(v_.get()) = a;
  }
  ScopedVariant v_;
};

std::vector<LONG> IndexValues(const VARIANT& index, LONG* lower) {
  EXPECT_EQ(VT_ARRAY | VT_I4, V_VT(&index));
  if (V_VT(&index) != (VT_ARRAY | VT_I4)) return {};
  SAFEARRAY* a = V_ARRAY(&index);
  EXPECT_EQ(1u, a->cDims);
  *lower = a->rgsabound[0].lLbound;
  const LONG* v = static_cast<const LONG*>(a->pvData);
  return std::vector<LONG>(v, v + a->rgsabound[0].cElements);
}

class ArraySortS : public SortRunTest {
 protected:
  HRESULT Sort(VARIANT* a, bool descending, LONG k1, LONG k2, LONG k3, LONG orientation, bool dedup = false,
               bool index = false, VARIANT* index_out = nullptr) {
    return vba_->ArraySortS(a, descending ? VARIANT_TRUE : VARIANT_FALSE, k1, k2, k3, orientation,
                            dedup ? VARIANT_TRUE : VARIANT_FALSE, index ? VARIANT_TRUE : VARIANT_FALSE, index_out);
  }
};

KORVEL_SORT_RUNS(ArraySortS);

// Rows of the keyed table: their order depends on which keys are used.
const Rows kKeyed = {
    {L"b", L"x", L"2"}, {L"a", L"y", L"1"}, {L"b", L"a", L"3"},
    {L"a", L"w", L"0"}, {L"c", L"x", L"4"}, {L"a", L"y", L"9"},
};

struct KeyCase {
  LONG k1, k2, k3;
  bool descending;
  std::vector<int> order;  // original rows in sorted order
};

TEST_P(ArraySortS, RowsByKeyColumnsMovedOrIndexed) {
  const KeyCase cases[] = {
      {3, 0, 0, false, {3, 1, 0, 2, 4, 5}},
      {3, 0, 0, true, {5, 4, 2, 0, 1, 3}},
      {1, 2, 3, false, {3, 1, 5, 2, 0, 4}},
      {1, 2, 3, true, {4, 0, 2, 5, 1, 3}},
      {2, 3, 0, false, {2, 3, 0, 4, 1, 5}},
      {2, 1, 3, false, {2, 3, 0, 4, 1, 5}},
      {2, 1, 3, true, {5, 1, 4, 0, 3, 2}},
  };
  for (const KeyCase& c : cases) {
    std::string what = "keys " + std::to_string(c.k1) + "," + std::to_string(c.k2) + "," + std::to_string(c.k3) +
                       (c.descending ? " descending" : " ascending");
    StringArray moved(kKeyed, 1, 1);
    ASSERT_EQ(S_OK, Sort(moved.get(), c.descending, c.k1, c.k2, c.k3, 0)) << what;
    Rows expected;
    for (int r : c.order) expected.push_back(kKeyed[r]);
    EXPECT_EQ(expected, moved.Table()) << what;

    StringArray indexed(kKeyed, 1, -3);
    std::vector<BSTR> before = indexed.Pointers();
    ScopedVariant index;
    ASSERT_EQ(S_OK, Sort(indexed.get(), c.descending, c.k1, c.k2, c.k3, 0, false, true, index.get())) << what;
    EXPECT_EQ(before, indexed.Pointers()) << what;
    LONG lower = 0;
    std::vector<LONG> values = IndexValues(*index, &lower);
    std::vector<LONG> expected_index;
    for (int r : c.order) expected_index.push_back(r + 1);
    EXPECT_EQ(1, lower) << what;
    EXPECT_EQ(expected_index, values) << what;
  }
}

// Keys compare one after another: joined key texts ('ab'+'x' against 'a'+'zz') would rank the rows the
// other way round.
TEST_P(ArraySortS, SeveralKeysRankByTheFirstKeyFirst) {
  const Rows rows = {{L"ab", L"x"}, {L"a", L"zz"}};
  StringArray ascending(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(ascending.get(), false, 1, 2, 0, 0));
  EXPECT_EQ((Rows{rows[1], rows[0]}), ascending.Table());
  StringArray descending(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(descending.get(), true, 1, 2, 0, 0));
  EXPECT_EQ(rows, descending.Table());
  // A null key cell goes after every text of its key, as it does with a single key.
  const Rows with_null = {{kNull, L"a"}, {L"", L"b"}, {L"a", L"c"}};
  StringArray nulls(with_null, 0, 0);
  ASSERT_EQ(S_OK, Sort(nulls.get(), false, 1, 2, 0, 0));
  EXPECT_EQ((Rows{with_null[1], with_null[2], with_null[0]}), nulls.Table());
}

TEST_P(ArraySortS, ColumnsByKeyRows) {
  const Rows rows = {{L"c", L"a", L"b", L"a"}, {L"1", L"3", L"2", L"0"}, {L"p", L"q", L"r", L"s"}};
  auto columns = [&](std::vector<int> order) {
    Rows out(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (int c : order) out[r].push_back(rows[r][c]);
    return out;
  };
  StringArray two_keys(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(two_keys.get(), false, 1, 2, 0, 1));
  EXPECT_EQ(columns({3, 1, 2, 0}), two_keys.Table());
  StringArray second_row(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(second_row.get(), true, 2, 0, 0, 1));
  EXPECT_EQ(columns({1, 2, 0, 3}), second_row.Table());
  StringArray third_row(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(third_row.get(), true, 3, 0, 0, 1));
  EXPECT_EQ(columns({3, 2, 1, 0}), third_row.Table());
  // No key: the first row.
  const Rows distinct = {{L"b", L"c", L"a"}, {L"1", L"2", L"3"}};
  StringArray first_row(distinct, 0, 0);
  ASSERT_EQ(S_OK, Sort(first_row.get(), false, 0, 0, 0, 1));
  EXPECT_EQ((Rows{{L"a", L"b", L"c"}, {L"3", L"1", L"2"}}), first_row.Table());

  StringArray indexed(rows, 4, 7);
  ScopedVariant index;
  ASSERT_EQ(S_OK, Sort(indexed.get(), false, 1, 2, 0, 1, false, true, index.get()));
  LONG lower = 0;
  EXPECT_EQ((std::vector<LONG>{10, 8, 9, 7}), IndexValues(*index, &lower));
  EXPECT_EQ(7, lower);
  EXPECT_EQ(rows, indexed.Table());
}

TEST_P(ArraySortS, NoKeySortsByTheFirstColumn) {
  const Rows rows = {{L"b", L"1"}, {L"c", L"2"}, {L"a", L"3"}};
  StringArray table(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(table.get(), false, 0, 0, 0, 0));
  EXPECT_EQ((Rows{rows[2], rows[0], rows[1]}), table.Table());
}

TEST_P(ArraySortS, AllCellsAsOneListByColumnsOrByRows) {
  const Rows rows = {{L"f", L"e", L"d"}, {L"c", L"b", L"a"}};
  StringArray by_rows(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(by_rows.get(), false, 0, 0, 0, 3));
  EXPECT_EQ((Rows{{L"a", L"b", L"c"}, {L"d", L"e", L"f"}}), by_rows.Table());
  StringArray by_columns(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(by_columns.get(), false, 0, 0, 0, 2));
  EXPECT_EQ((Rows{{L"a", L"c", L"e"}, {L"b", L"d", L"f"}}), by_columns.Table());
  StringArray descending(rows, 0, 0);
  ASSERT_EQ(S_OK, Sort(descending.get(), true, 5, 0, 0, 3));  // keys are ignored
  EXPECT_EQ((Rows{{L"f", L"e", L"d"}, {L"c", L"b", L"a"}}), descending.Table());
}

TEST_P(ArraySortS, ListOrderByCodeUnitsWithNullsLast) {
  // U+FF01 is above a surrogate unit although its code point is below U+1F600; "a\0z" ends at its U+0000.
  const std::vector<Cell> list = {L"b", kNull, L"B", L"ab", L"a", L"\xFF01", L"\xD83D\xDE00", L"", kNull, L"Z"};
  StringArray ascending(list, 0);
  ASSERT_EQ(S_OK, Sort(ascending.get(), false, 0, 0, 0, 0));
  EXPECT_EQ((std::vector<Cell>{L"", L"B", L"Z", L"a", L"ab", L"b", L"\xD83D\xDE00", L"\xFF01", kNull, kNull}),
            ascending.List());
  StringArray descending(list, 0);
  ASSERT_EQ(S_OK, Sort(descending.get(), true, 0, 0, 0, 1));
  EXPECT_EQ((std::vector<Cell>{L"\xFF01", L"\xD83D\xDE00", L"b", L"ab", L"a", L"Z", L"B", L"", kNull, kNull}),
            descending.List());
}

TEST_P(ArraySortS, DuplicatesDropped) {
  const std::vector<Cell> list = {L"b", L"a", L"b", kNull, L"A", kNull};
  StringArray ascending(list, 3);
  ASSERT_EQ(S_OK, Sort(ascending.get(), false, 0, 0, 0, 0, true));
  EXPECT_EQ((std::vector<Cell>{L"A", L"a", L"b", kNull}), ascending.List());
  EXPECT_EQ(3, ascending.array()->rgsabound[0].lLbound);
  StringArray descending(list, 0);
  ASSERT_EQ(S_OK, Sort(descending.get(), true, 0, 0, 0, 0, true));
  EXPECT_EQ((std::vector<Cell>{L"b", L"a", L"A", kNull}), descending.List());
  // Texts equal up to their first U+0000 are duplicates; the one that stays is either of them.
  StringArray embedded({std::wstring(L"a\0z", 3), L"a", L"b"}, 0);
  ASSERT_EQ(S_OK, Sort(embedded.get(), false, 0, 0, 0, 0, true));
  std::vector<Cell> kept = embedded.List();
  ASSERT_EQ(2u, kept.size());
  EXPECT_EQ(L"a", kept[0]->substr(0, kept[0]->find(L'\0')));
  EXPECT_EQ(Cell(L"b"), kept[1]);
  StringArray empty(std::vector<Cell>{}, 0);
  ASSERT_EQ(S_OK, Sort(empty.get(), false, 0, 0, 0, 0, true));
  EXPECT_EQ(0u, empty.Count());
  // With the index array asked for, nothing is dropped.
  StringArray indexed(list, 0);
  ScopedVariant index;
  ASSERT_EQ(S_OK, Sort(indexed.get(), false, 0, 0, 0, 0, true, true, index.get()));
  EXPECT_EQ(list, indexed.List());
}

TEST_P(ArraySortS, ListIndexArrayKeepsTheLowerBound) {
  const std::vector<Cell> list = {L"d", L"b", kNull, L"a", L"c"};
  StringArray array(list, 5);
  std::vector<BSTR> before = array.Pointers();
  ScopedVariant index;
  V_VT(index.get()) = VT_BSTR;  // the previous content is cleared
  V_BSTR(index.get()) = SysAllocString(L"old");
  ASSERT_EQ(S_OK, Sort(array.get(), false, 3, 0, 0, 0, false, true, index.get()));
  EXPECT_EQ(before, array.Pointers());
  LONG lower = 0;
  EXPECT_EQ((std::vector<LONG>{8, 6, 9, 5, 7}), IndexValues(*index, &lower));
  EXPECT_EQ(5, lower);
  ScopedVariant descending;
  ASSERT_EQ(S_OK, Sort(array.get(), true, 0, 0, 0, 1, false, true, descending.get()));
  EXPECT_EQ((std::vector<LONG>{5, 9, 6, 8, 7}), IndexValues(*descending, &lower));
  // No place to put it: discarded, and the call still succeeds.
  EXPECT_EQ(S_OK, Sort(array.get(), false, 0, 0, 0, 0, false, true, nullptr));
  EXPECT_EQ(before, array.Pointers());
}

// The index array goes to the caller's variable: VBA hands `Dim idx() As Long` over as a reference to a
// typed array, a Variant variable as a reference to a VARIANT. A variable that cannot take a resizable
// array of Longs is refused before anything is sorted.
TEST_P(ArraySortS, IndexArrayReachesTheCallersVariable) {
  const std::vector<Cell> list = {L"d", L"b", kNull, L"a", L"c"};
  const std::vector<LONG> expected = {8, 6, 9, 5, 7};
  StringArray array(list, 5);
  auto values_of = [](SAFEARRAY* a) {
    EXPECT_EQ(1u, a->cDims);
    EXPECT_EQ(5, a->rgsabound[0].lLbound);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(a, &vt));
    EXPECT_EQ(VT_I4, vt);
    const LONG* v = static_cast<const LONG*>(a->pvData);
    return std::vector<LONG>(v, v + a->rgsabound[0].cElements);
  };
  auto by_reference = [](SAFEARRAY** slot) {
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_ARRAY | VT_I4;
    V_ARRAYREF(&v) = slot;
    return v;
  };
  {
    // Dim idx() As Long: no array yet.
    SAFEARRAY* idx = nullptr;
    VARIANT ref = by_reference(&idx);
    ASSERT_EQ(S_OK, Sort(array.get(), false, 3, 0, 0, 0, false, true, &ref));
    ASSERT_NE(idx, nullptr);
    EXPECT_EQ(expected, values_of(idx));
    EXPECT_EQ(V_VT(&ref), VT_BYREF | VT_ARRAY | VT_I4) << "the reference itself is left as it was";
    // ReDim idx(1 To 2): the old array is replaced.
    SafeArrayDestroy(idx);
    SAFEARRAYBOUND bound{2, 1};
    idx = SafeArrayCreate(VT_I4, 1, &bound);
    ASSERT_EQ(S_OK, Sort(array.get(), false, 3, 0, 0, 0, false, true, &ref));
    EXPECT_EQ(expected, values_of(idx));
    SafeArrayDestroy(idx);
  }
  {
    // Dim v As Variant holding an old array.
    ScopedVariant held;
    SAFEARRAYBOUND bound{3, 0};
    V_VT(held.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(held.get()) = SafeArrayCreate(VT_I4, 1, &bound);
    VARIANT ref;
    V_VT(&ref) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&ref) = held.get();
    ASSERT_EQ(S_OK, Sort(array.get(), false, 3, 0, 0, 0, false, true, &ref));
    ASSERT_EQ(V_VT(held.get()), VT_ARRAY | VT_I4);
    EXPECT_EQ(expected, values_of(V_ARRAY(held.get())));
  }
  // Variables that cannot take the array: fixed size (Dim idx(1 To 5) As Long), locked, of another
  // element type, or no array at all.
  SAFEARRAYBOUND five{5, 1};
  SAFEARRAY* fixed = SafeArrayCreate(VT_I4, 1, &five);
  fixed->fFeatures |= FADF_FIXEDSIZE | FADF_STATIC;
  SAFEARRAY* locked = SafeArrayCreate(VT_I4, 1, &five);
  ASSERT_EQ(S_OK, SafeArrayLock(locked));
  SAFEARRAY* strings = SafeArrayCreate(VT_BSTR, 1, &five);
  SAFEARRAY* variants = SafeArrayCreate(VT_VARIANT, 1, &five);
  LONG number = 17;
  struct Refused {
    const char* what;
    VARIANT target;
  };
  VARIANT number_ref;
  V_VT(&number_ref) = VT_BYREF | VT_I4;
  V_I4REF(&number_ref) = &number;
  VARIANT strings_ref = by_reference(&strings);
  V_VT(&strings_ref) = VT_BYREF | VT_ARRAY | VT_BSTR;
  VARIANT variants_ref = by_reference(&variants);
  V_VT(&variants_ref) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  VARIANT null_slot = by_reference(nullptr);
  const Refused refused[] = {
      {"fixed size", by_reference(&fixed)}, {"locked", by_reference(&locked)}, {"strings", strings_ref},
      {"variants", variants_ref},           {"a Long", number_ref},           {"no variable", null_slot},
  };
  const SAFEARRAY* const before[] = {fixed, locked, strings, variants};
  StringArray table(kKeyed, 1, 1);
  const std::vector<BSTR> table_before = table.Pointers();
  for (const Refused& r : refused) {
    VARIANT target = r.target;
    EXPECT_EQ(E_INVALIDARG, Sort(array.get(), false, 3, 0, 0, 0, false, true, &target)) << r.what;
    EXPECT_EQ(E_INVALIDARG, Sort(table.get(), false, 1, 0, 0, 0, false, true, &target)) << r.what;
    EXPECT_EQ(V_VT(&target), V_VT(&r.target)) << r.what;
  }
  EXPECT_EQ(table_before, table.Pointers());
  EXPECT_EQ(before[0], fixed);
  EXPECT_EQ(before[1], locked);
  EXPECT_EQ(before[2], strings);
  EXPECT_EQ(before[3], variants);
  EXPECT_EQ(17, number);
  fixed->fFeatures &= static_cast<USHORT>(~(FADF_FIXEDSIZE | FADF_STATIC));
  SafeArrayDestroy(fixed);
  SafeArrayUnlock(locked);
  SafeArrayDestroy(locked);
  SafeArrayDestroy(strings);
  SafeArrayDestroy(variants);
}

// A typed array variable arrives by reference: it is sorted through the reference.
TEST_P(ArraySortS, ArrayHeldByReference) {
  StringArray owner({L"c", L"a", L"c", L"b"}, 1);
  SAFEARRAY* referenced = owner.array();
  ScopedVariant by_ref;
  V_VT(by_ref.get()) = VT_BYREF | VT_ARRAY | VT_BSTR;
  V_ARRAYREF(by_ref.get()) = &referenced;
  ASSERT_EQ(S_OK, Sort(by_ref.get(), false, 0, 0, 0, 0, true));
  EXPECT_EQ((std::vector<Cell>{L"a", L"b", L"c"}), owner.List());
  V_VT(by_ref.get()) = VT_EMPTY;  // borrowed

  VARIANT inner_ref;
  V_VT(&inner_ref) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&inner_ref) = owner.get();
  ASSERT_EQ(S_OK, Sort(&inner_ref, true, 0, 0, 0, 0));
  EXPECT_EQ((std::vector<Cell>{L"c", L"b", L"a"}), owner.List());

  SAFEARRAY* none = nullptr;
  VARIANT null_ref;
  V_VT(&null_ref) = VT_BYREF | VT_ARRAY | VT_BSTR;
  V_ARRAYREF(&null_ref) = &none;
  EXPECT_EQ(E_INVALIDARG, Sort(&null_ref, false, 0, 0, 0, 0));
  V_ARRAYREF(&null_ref) = nullptr;
  EXPECT_EQ(E_INVALIDARG, Sort(&null_ref, false, 0, 0, 0, 0));
}

struct Rejected {
  const char* what;
  int shape;  // 0 list of 3, 1 table of 2 rows x 3 columns, 2 three dimensions
  LONG k1, k2, k3, orientation;
  bool dedup, index;
};

TEST_P(ArraySortS, RejectedArgumentsChangeNothing) {
  const Rejected cases[] = {
      {"orientation 4", 0, 0, 0, 0, 4, false, false},
      {"orientation -1", 1, 0, 0, 0, -1, false, false},
      {"orientation 2 with index", 1, 0, 0, 0, 2, false, true},
      {"orientation 3 with index", 0, 0, 0, 0, 3, false, true},
      {"three dimensions", 2, 0, 0, 0, 0, false, false},
      {"table with duplicates", 1, 0, 0, 0, 2, true, false},
      {"table with duplicates and index", 1, 1, 0, 0, 0, true, true},
      {"negative key", 1, -1, 0, 0, 0, false, false},
      {"key 2 without key 1", 1, 0, 1, 0, 0, false, false},
      {"key 3 without key 2", 1, 1, 0, 2, 0, false, false},
      {"key beyond the columns", 1, 4, 0, 0, 0, false, false},
      {"third key beyond the columns", 1, 1, 2, 4, 0, false, false},
      {"key beyond the rows", 1, 3, 0, 0, 1, false, false},
      {"key beyond the list", 0, 4, 0, 0, 0, false, false},
      {"list sorted by key rows", 0, 1, 0, 0, 1, false, false},
      {"negative key, orientation 2", 1, 0, 0, -2, 2, false, false},
  };
  for (const Rejected& c : cases) {
    std::unique_ptr<StringArray> array;
    if (c.shape == 0) array = std::make_unique<StringArray>(std::vector<Cell>{L"c", L"a", L"b"}, 0);
    if (c.shape == 1) array = std::make_unique<StringArray>(Rows{{L"c", L"a", L"b"}, {L"f", L"e", L"d"}}, 0, 0);
    if (c.shape == 2) {
      SAFEARRAYBOUND bounds[3] = {{2, 0}, {2, 0}, {2, 0}};
      array = std::make_unique<StringArray>(SafeArrayCreate(VT_BSTR, 3, bounds));
      for (int i = 0; i < 8; ++i) array->Data()[i] = SysAllocString(i % 2 ? L"b" : L"a");
    }
    std::vector<BSTR> before = array->Pointers();
    ScopedVariant index;
    EXPECT_EQ(E_INVALIDARG, Sort(array->get(), false, c.k1, c.k2, c.k3, c.orientation, c.dedup, c.index, index.get()))
        << c.what;
    EXPECT_EQ(before, array->Pointers()) << c.what;
    EXPECT_EQ(VT_EMPTY, V_VT(index.get())) << c.what;
  }
  // The bounds that are still accepted: key = width (a list's key is then ignored), key = height.
  StringArray list({L"c", L"a", L"b"}, 0);
  EXPECT_EQ(S_OK, Sort(list.get(), false, 3, 0, 0, 0));
  EXPECT_EQ((std::vector<Cell>{L"a", L"b", L"c"}), list.List());
  StringArray table(Rows{{L"c", L"a", L"b"}, {L"f", L"e", L"d"}}, 0, 0);
  EXPECT_EQ(S_OK, Sort(table.get(), false, 2, 0, 0, 1));
  EXPECT_EQ((Rows{{L"b", L"a", L"c"}, {L"d", L"e", L"f"}}), table.Table());
}

TEST_P(ArraySortS, ArraysWithoutCellsOrOfAnotherTypeAreRefused) {
  const Rows no_rows;
  for (LONG orientation : {0, 1, 2, 3}) {
    StringArray rows_only(no_rows, 0, 0, 3);
    EXPECT_EQ(E_INVALIDARG, Sort(rows_only.get(), false, 0, 0, 0, orientation)) << "no rows " << orientation;
    StringArray columns_only(Rows{{}, {}}, 0, 0);
    EXPECT_EQ(E_INVALIDARG, Sort(columns_only.get(), false, 0, 0, 0, orientation)) << "no columns " << orientation;
  }
  // A descriptor without data or without dimensions is never read.
  SAFEARRAY bare{};
  bare.cbElements = sizeof(BSTR);
  bare.fFeatures = FADF_BSTR;
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&v) = &bare;
  EXPECT_EQ(E_INVALIDARG, Sort(&v, false, 0, 0, 0, 0)) << "no dimensions";
  bare.cDims = 1;
  bare.rgsabound[0].cElements = 5;
  EXPECT_EQ(E_INVALIDARG, Sort(&v, false, 0, 0, 0, 0)) << "no data";
  V_ARRAY(&v) = nullptr;
  EXPECT_EQ(E_INVALIDARG, Sort(&v, false, 0, 0, 0, 0)) << "no array";
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = nullptr;
  EXPECT_EQ(E_INVALIDARG, Sort(&v, false, 0, 0, 0, 0)) << "a string";
  EXPECT_EQ(E_INVALIDARG, Sort(nullptr, false, 0, 0, 0, 0)) << "no VARIANT";
  SAFEARRAYBOUND bound{2, 0};
  ScopedVariant variants;
  V_VT(variants.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(variants.get()) = SafeArrayCreate(VT_VARIANT, 1, &bound);
  EXPECT_EQ(E_INVALIDARG, Sort(variants.get(), false, 0, 0, 0, 0)) << "VARIANT array";
}

// Model of the string order: code units up to the first U+0000, null last.
struct ModelLess {
  bool descending;
  static std::wstring Text(const Cell& c) { return c->substr(0, c->find(L'\0')); }
  bool operator()(const Cell& a, const Cell& b) const {
    if (!a) return false;
    if (!b) return true;
    return descending ? Text(b) < Text(a) : Text(a) < Text(b);
  }
};

std::vector<Cell> RandomList(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Cell> list(n);
  for (Cell& c : list) {
    unsigned kind = random() % 50;
    if (kind == 0) continue;  // null
    std::wstring text;
    std::size_t length = random() % 6;
    for (std::size_t i = 0; i < length; ++i) {
      unsigned u = random() % 8;
      text += u == 0 ? L'\0' : u == 1 ? wchar_t(0xE000 + random() % 0x1000) : wchar_t(L'a' + random() % 4);
    }
    c = text;
  }
  return list;
}

std::vector<std::wstring> Projected(const std::vector<Cell>& cells) {
  std::vector<std::wstring> out;
  for (const Cell& c : cells) out.push_back(c ? ModelLess::Text(c) : L"<null>");
  return out;
}

TEST_P(ArraySortS, LargeListsOnBothSidesOfTheSerialLimit) {
  for (std::size_t n : {2047u, 2048u, 2049u, 100000u}) {
    std::vector<Cell> list = RandomList(n, static_cast<unsigned>(n));
    for (bool descending : {false, true}) {
      StringArray array(list, 0);
      std::vector<BSTR> before = array.Pointers();
      ASSERT_EQ(S_OK, Sort(array.get(), descending, 0, 0, 0, 0));
      std::vector<Cell> expected = list;
      std::sort(expected.begin(), expected.end(), ModelLess{descending});
      EXPECT_EQ(Projected(expected), Projected(array.List())) << n;
      std::vector<BSTR> after = array.Pointers();
      std::sort(before.begin(), before.end());
      std::sort(after.begin(), after.end());
      EXPECT_TRUE(before == after) << "not a permutation, n=" << n;
    }
    StringArray unique(list, 0);
    ASSERT_EQ(S_OK, Sort(unique.get(), false, 0, 0, 0, 0, true));
    std::vector<std::wstring> expected;
    for (const Cell& c : list)
      if (c) expected.push_back(ModelLess::Text(c));
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    if (std::count(list.begin(), list.end(), kNull)) expected.push_back(L"<null>");
    EXPECT_EQ(expected, Projected(unique.List())) << n;
  }
}

TEST_P(ArraySortS, LargeTableRowsMoveWhole) {
  const std::size_t n = 100000;
  std::vector<Cell> first = RandomList(n, 11), second = RandomList(n, 12);
  Rows rows(n);
  for (std::size_t r = 0; r < n; ++r) rows[r] = {first[r], std::to_wstring(r), second[r]};
  StringArray table(rows, 1, 1);
  ASSERT_EQ(S_OK, Sort(table.get(), true, 1, 3, 0, 0));
  Rows sorted = table.Table();
  std::vector<bool> seen(n);
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t r = std::stoul(*sorted[i][1]);
    ASSERT_FALSE(seen[r]);
    seen[r] = true;
    ASSERT_EQ(rows[r], sorted[i]) << "row " << r << " did not move whole";
    if (i == 0) continue;
    const std::vector<Cell>& previous = sorted[i - 1];
    ModelLess later{true};
    ASSERT_FALSE(later(sorted[i][0], previous[0])) << i;
    if (Projected({sorted[i][0]}) == Projected({previous[0]})) ASSERT_FALSE(later(sorted[i][2], previous[2])) << i;
  }
}

// Counts the frees of the task allocator, which allocates every BSTR. Strings above the BSTR cache's
// largest size (64 KiB) reach the allocator on every free.
class FreeCounter : public IMallocSpy {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) override { return size; }
  STDMETHODIMP_(void*) PostAlloc(void* p) override { return p; }
  STDMETHODIMP_(void*) PreFree(void* p, BOOL) override {
    if (p) ++freed[p];
    return p;
  }
  STDMETHODIMP_(void) PostFree(BOOL) override {}
  STDMETHODIMP_(SIZE_T) PreRealloc(void* p, SIZE_T size, void** out, BOOL) override {
    *out = p;
    return size;
  }
  STDMETHODIMP_(void*) PostRealloc(void* p, BOOL) override { return p; }
  STDMETHODIMP_(void*) PreGetSize(void* p, BOOL) override { return p; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T size, BOOL) override { return size; }
  STDMETHODIMP_(void*) PreDidAlloc(void* p, BOOL) override { return p; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  STDMETHODIMP_(void) PreHeapMinimize() override {}
  STDMETHODIMP_(void) PostHeapMinimize() override {}

  // How often the block that holds `text` was freed.
  int FreesOf(BSTR text) const {
    int count = 0;
    for (const auto& [block, times] : freed) {
      auto offset = reinterpret_cast<const char*>(text) - static_cast<const char*>(block);
      if (offset > 0 && offset <= 16) count += times;
    }
    return count;
  }

  std::map<void*, int> freed;
};

TEST_P(ArraySortS, DroppedDuplicatesAreFreedOnceAndKeptOnesNever) {
  auto big = [](wchar_t c) { return std::wstring(40000, c); };
  StringArray array({big(L'b'), big(L'a'), big(L'b'), big(L'c'), big(L'a'), big(L'b'), kNull, kNull}, 0);
  std::vector<BSTR> before = array.Pointers();
  FreeCounter counter;
  ASSERT_EQ(S_OK, CoRegisterMallocSpy(&counter));
  // Wine's allocator reads its table of spied blocks, which exists only after the first allocation made
  // under the spy.
  CoTaskMemFree(CoTaskMemAlloc(16));
  HRESULT hr = Sort(array.get(), false, 0, 0, 0, 0, true);
  ASSERT_EQ(S_OK, CoRevokeMallocSpy());
  ASSERT_EQ(S_OK, hr);
  std::vector<BSTR> kept = array.Pointers();
  ASSERT_EQ(4u, kept.size());
  EXPECT_EQ((std::vector<Cell>{big(L'a'), big(L'b'), big(L'c'), kNull}), array.List());
  int dropped = 0;
  for (BSTR b : before) {
    if (!b) continue;
    bool stays = std::find(kept.begin(), kept.end(), b) != kept.end();
    EXPECT_EQ(stays ? 0 : 1, counter.FreesOf(b)) << (stays ? "kept" : "dropped") << " string";
    dropped += !stays;
  }
  EXPECT_EQ(3, dropped);
}

}  // namespace
}  // namespace korvel::test
