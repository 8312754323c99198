// ArraySortV on arrays of VARIANTs, early-bound, through the built server and through the library's own
// object with the parallel path forced. Orders of values other than two strings are checked against VarCmp
// called directly by the test; string orders are written out by hand.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "toolbox/parallel_sort.h"
#include "toolbox/sort_comparators.h"
#include "sort_runs.h"
#include "test_support.h"
#include "toolbox/vba.h"

namespace korvel::test {
namespace {

VARIANT Dbl(double d) {
  VARIANT v;
  V_VT(&v) = VT_R8;
  V_R8(&v) = d;
  return v;
}
VARIANT OfType(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = vt;
  if (vt == VT_ERROR) V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
  return v;
}

// A VARIANT that owns a SAFEARRAY of VARIANT, a list or a table given row by row; it takes the cells.
class VariantArray {
 public:
  explicit VariantArray(const std::vector<VARIANT>& list, LONG lower = 0) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(list.size()), lower};
    Adopt(SafeArrayCreate(VT_VARIANT, 1, &bound));
    std::memcpy(Data(), list.data(), list.size() * sizeof(VARIANT));
  }
  VariantArray(const std::vector<std::vector<VARIANT>>& rows, std::size_t width = 0) {
    if (!rows.empty()) width = rows[0].size();
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows.size()), 1}, {static_cast<ULONG>(width), 1}};
    Adopt(SafeArrayCreate(VT_VARIANT, 2, bounds));
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t c = 0; c < width; ++c) Data()[c * rows.size() + r] = rows[r][c];
  }
  VARIANT* get() { return v_.get(); }
  VARIANT* Data() { return static_cast<VARIANT*>(V_ARRAY(v_.get())->pvData); }
  std::size_t Count() {
    SAFEARRAY* a = V_ARRAY(v_.get());
    std::size_t n = 1;
    for (USHORT d = 0; d < a->cDims; ++d) n *= a->rgsabound[d].cElements;
    return n;
  }
  // The cells as raw bytes, to compare as a multiset or a sequence.
  std::vector<std::string> Bytes() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < Count(); ++i) out.emplace_back(reinterpret_cast<const char*>(Data() + i), sizeof(VARIANT));
    return out;
  }
  std::wstring Text(std::size_t i) {
    VARIANT& v = Data()[i];
    if (V_VT(&v) == VT_BSTR) return V_BSTR(&v);
    ScopedVariant s;
    if (FAILED(VariantChangeType(s.get(), &v, 0, VT_BSTR))) return L"<" + std::to_wstring(V_VT(&v)) + L">";
    return V_BSTR(s.get());
  }

 private:
  void Adopt(SAFEARRAY* a) {
    V_VT(v_.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(v_.get()) = a;
  }
  ScopedVariant v_;
};

class ArraySortV : public SortRunTest {
 protected:
  HRESULT Sort(VARIANT* a, LONG k1 = 0, bool d1 = false, LONG k2 = 0, bool d2 = false, LONG k3 = 0, bool d3 = false) {
    auto b = [](bool x) { return x ? VARIANT_TRUE : VARIANT_FALSE; };
    return vba_->ArraySortV(a, k1, b(d1), k2, b(d2), k3, b(d3));
  }
};

KORVEL_SORT_RUNS(ArraySortV);

TEST_P(ArraySortV, StringsByCodeUnitsNumbersByValue) {
  VariantArray strings({VBstr(L"b"), VBstr(L"B"), VBstr(L"ab"), VBstr(L"a"), VBstr(L"")});
  ASSERT_EQ(S_OK, Sort(strings.get()));
  std::vector<std::wstring> texts;
  for (std::size_t i = 0; i < strings.Count(); ++i) texts.push_back(strings.Text(i));
  EXPECT_EQ((std::vector<std::wstring>{L"", L"B", L"a", L"ab", L"b"}), texts);
  ASSERT_EQ(S_OK, Sort(strings.get(), 5, true));  // a list's key up to its count is ignored
  texts.clear();
  for (std::size_t i = 0; i < strings.Count(); ++i) texts.push_back(strings.Text(i));
  EXPECT_EQ((std::vector<std::wstring>{L"b", L"ab", L"a", L"B", L""}), texts);

  VariantArray numbers({Dbl(2.5), VI4(-3), Dbl(10), VI4(2), Dbl(-0.5)});
  ASSERT_EQ(S_OK, Sort(numbers.get()));
  std::vector<double> values;
  for (std::size_t i = 0; i < 5; ++i) {
    ScopedVariant d;
    ASSERT_EQ(S_OK, VariantChangeType(d.get(), &numbers.Data()[i], 0, VT_R8));
    values.push_back(V_R8(d.get()));
  }
  EXPECT_EQ((std::vector<double>{-3, -0.5, 2, 2.5, 10}), values);
}

// Mixed values that VarCmp orders consistently come out in VarCmp's order.
TEST_P(ArraySortV, MixedValuesInVarCmpOrder) {
  auto make = [] {
    VARIANT date = OfType(VT_DATE);
    V_DATE(&date) = 45000.5;
    VARIANT yes = OfType(VT_BOOL);
    V_BOOL(&yes) = VARIANT_TRUE;
    VARIANT cy = OfType(VT_CY);
    V_CY(&cy).int64 = 12345;  // 1.2345
    return std::vector<VARIANT>{Dbl(3), VI4(-7), OfType(VT_EMPTY), date, yes, cy, Dbl(1e6), VI4(0), Dbl(-2.25)};
  };
  VariantArray sorted(make());
  ASSERT_EQ(S_OK, Sort(sorted.get()));
  for (std::size_t i = 1; i < sorted.Count(); ++i)
    EXPECT_NE(VARCMP_GT, VarCmp(&sorted.Data()[i - 1], &sorted.Data()[i], LOCALE_USER_DEFAULT, NORM_IGNORECASE)) << i;
  VariantArray descending(make());
  ASSERT_EQ(S_OK, Sort(descending.get(), 1, true));
  for (std::size_t i = 1; i < descending.Count(); ++i)
    EXPECT_NE(VARCMP_LT, VarCmp(&descending.Data()[i - 1], &descending.Data()[i], LOCALE_USER_DEFAULT, NORM_IGNORECASE)) << i;
}

// Pairs of small numbers are answered without VarCmp: the answers must be VarCmp's own.
TEST(VariantOrder, SmallNumbersOrderAsVarCmpOrdersThem) {
  std::vector<VARIANT> values;
  auto add = [&](VARTYPE vt, auto set) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    set(v);
    values.push_back(v);
  };
  for (double d : {-1e300, -2.5, -1.0, -0.0, 0.0, 0.1, 1.0, 2.5, 3.0, 255.0, 1e300})
    add(VT_R8, [d](VARIANT& v) { V_R8(&v) = d; });
  for (float f : {-2.5f, 0.1f, 3.0f}) add(VT_R4, [f](VARIANT& v) { V_R4(&v) = f; });
  for (LONG i : {-2147483647L - 1, -1L, 0L, 1L, 3L, 255L, 2147483647L}) add(VT_I4, [i](VARIANT& v) { V_I4(&v) = i; });
  for (SHORT i : {-32768, -1, 0, 3}) add(VT_I2, [i](VARIANT& v) { V_I2(&v) = i; });
  for (BYTE b : {0, 1, 3, 255}) add(VT_UI1, [b](VARIANT& v) { V_UI1(&v) = b; });
  for (VARIANT& a : values) {
    for (VARIANT& b : values) {
      HRESULT expected = VarCmp(&a, &b, LOCALE_USER_DEFAULT, NORM_IGNORECASE);
      ASSERT_TRUE(expected == VARCMP_LT || expected == VARCMP_EQ || expected == VARCMP_GT);
      EXPECT_EQ(expected == VARCMP_LT, VariantLess(a, b)) << V_VT(&a) << " " << V_VT(&b);
      EXPECT_EQ(expected == VARCMP_GT, VariantGreater(a, b)) << V_VT(&a) << " " << V_VT(&b);
      EXPECT_EQ(expected == VARCMP_EQ, VariantEqual(a, b)) << V_VT(&a) << " " << V_VT(&b);
    }
  }
}

TEST(VariantOrder, StringsNeverReachVarCmpAgainstEachOther) {
  ScopedVariant upper, lower, one_text, one;
  *upper.get() = VBstr(L"B");
  *lower.get() = VBstr(L"b");
  *one_text.get() = VBstr(L"1");
  *one.get() = VI4(1);
  // VarCmp with NORM_IGNORECASE finds these equal; the code-unit order does not.
  ASSERT_EQ(VARCMP_EQ, VarCmp(upper.get(), lower.get(), LOCALE_USER_DEFAULT, NORM_IGNORECASE));
  EXPECT_TRUE(VariantLess(*upper, *lower));
  EXPECT_TRUE(VariantGreater(*lower, *upper));
  EXPECT_FALSE(VariantEqual(*upper, *lower));
  // A plain string first: unequal without VarCmp; the other way round VarCmp decides.
  EXPECT_FALSE(VariantEqual(*one_text, *one));
  EXPECT_EQ(VarCmp(one.get(), one_text.get(), LOCALE_USER_DEFAULT, NORM_IGNORECASE) == VARCMP_EQ,
            VariantEqual(*one, *one_text));
  // A failed comparison is less both ways and greater neither way; Null is greater both ways.
  VARIANT error = OfType(VT_ERROR), null = OfType(VT_NULL);
  VARIANT three = VI4(3);
  EXPECT_TRUE(VariantLess(error, three) && VariantLess(three, error));
  EXPECT_FALSE(VariantGreater(error, three) || VariantGreater(three, error));
  EXPECT_FALSE(VariantLess(null, three) || VariantLess(three, null));
  EXPECT_TRUE(VariantGreater(null, three) && VariantGreater(three, null));
}

TEST_P(ArraySortV, TableRowsByKeysEachWithItsDirection) {
  // Columns: name, group, score. Rows move whole.
  auto rows = [] {
    return std::vector<std::vector<VARIANT>>{
        {VBstr(L"d"), VI4(2), Dbl(1.5)}, {VBstr(L"a"), VI4(1), Dbl(3)}, {VBstr(L"c"), VI4(2), Dbl(0.5)},
        {VBstr(L"b"), VI4(1), Dbl(3)},   {VBstr(L"e"), VI4(3), Dbl(2)}, {VBstr(L"Ab"), VI4(1), Dbl(9)},
    };
  };
  auto names = [](VariantArray& t) {
    std::wstring out;
    for (std::size_t r = 0; r < 6; ++r) out += t.Text(r) + L" ";
    return out;
  };
  struct Case {
    LONG k1;
    bool d1;
    LONG k2;
    bool d2;
    LONG k3;
    bool d3;
    const wchar_t* names;
  };
  const Case cases[] = {
      {0, false, 0, false, 0, false, L"Ab a b c d e "},
      {1, true, 0, false, 0, false, L"e d c b a Ab "},
      {2, true, 1, false, 0, false, L"e c d Ab a b "},
      {2, false, 3, true, 1, false, L"Ab a b d c e "},
      {2, false, 3, true, 1, true, L"Ab b a d c e "},
      {3, false, 0, false, 0, false, nullptr},
  };
  for (const Case& c : cases) {
    VariantArray table(rows());
    ASSERT_EQ(S_OK, Sort(table.get(), c.k1, c.d1, c.k2, c.d2, c.k3, c.d3)) << c.k1 << c.k2 << c.k3;
    // Rows a and b tie on the score alone and may come out either way.
    if (c.names) EXPECT_EQ(std::wstring(c.names), names(table)) << c.k1 << c.k2 << c.k3;
    // Each row's other cells travelled with its name.
    for (std::size_t r = 0; r < 6; ++r) {
      std::wstring name = table.Text(r);
      for (auto& original : rows()) {
        if (std::wstring(V_BSTR(&original[0])) != name) continue;
        EXPECT_EQ(V_I4(&original[1]), V_I4(&table.Data()[6 + r]));
        EXPECT_EQ(V_R8(&original[2]), V_R8(&table.Data()[12 + r]));
      }
    }
  }
}

// Values that are no strict weak order, objects and references, on both sides of 2048 and at 100,000:
// the call ends, stays inside the array and leaves a permutation of its cells.
TEST_P(ArraySortV, AnyValuesComeOutAsAPermutation) {
  ComPtr<IUnknown> object;
  vba_->QueryInterface(IID_IUnknown, object.put_void());
  LONG referenced_number = 5;
  BSTR referenced_text = SysAllocString(L"7");
  for (std::size_t n : {2047u, 2049u, 100000u}) {
    for (bool table : {false, true}) {
      std::mt19937 random(static_cast<unsigned>(n));
      std::vector<VARIANT> cells;
      for (std::size_t i = 0; i < n; ++i) {
        switch (random() % 12) {
          case 0: cells.push_back(OfType(VT_ERROR)); break;
          case 1: cells.push_back(OfType(VT_NULL)); break;
          case 2: cells.push_back(OfType(VT_EMPTY)); break;
          case 3: {
            VARIANT v = OfType(VT_BYREF | VT_I4);
            V_I4REF(&v) = &referenced_number;
            cells.push_back(v);
            break;
          }
          case 4: {
            VARIANT v = OfType(VT_BYREF | VT_BSTR);
            V_BSTRREF(&v) = &referenced_text;
            cells.push_back(v);
            break;
          }
          case 5: {
            VARIANT v = OfType(VT_UNKNOWN);
            V_UNKNOWN(&v) = object.get();
            object->AddRef();
            cells.push_back(v);
            break;
          }
          case 6: {
            VARIANT v = OfType(VT_BSTR);  // a null string pointer
            cells.push_back(v);
            break;
          }
          case 7: cells.push_back(VBstr(random() % 2 ? L"x" : L"10")); break;
          default: cells.push_back(Dbl(static_cast<double>(random() % 1000) / 8)); break;
        }
      }
      std::unique_ptr<VariantArray> array;
      if (table) {
        std::vector<std::vector<VARIANT>> rows(n / 2);
        for (std::size_t r = 0; r < n / 2; ++r) rows[r] = {cells[2 * r], cells[2 * r + 1]};
        if (n % 2) VariantClear(&cells.back());
        array = std::make_unique<VariantArray>(rows);
      } else {
        array = std::make_unique<VariantArray>(cells);
      }
      object->AddRef();
      ULONG refs_before = object->Release();
      std::vector<std::string> before = array->Bytes();
      for (int direction = 0; direction < 2; ++direction) {
        HRESULT hr = table ? Sort(array->get(), 1, direction == 1, 2, direction == 0)
                           : Sort(array->get(), 0, direction == 1);
        ASSERT_EQ(S_OK, hr) << n;
        std::vector<std::string> after = array->Bytes();
        std::vector<std::string> a = before, b = after;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        ASSERT_TRUE(a == b) << "not a permutation, n=" << n << (table ? " table" : " list");
      }
      object->AddRef();
      EXPECT_EQ(refs_before, object->Release()) << "every object is still held exactly once";
    }
  }
  SysFreeString(referenced_text);
}

TEST_P(ArraySortV, ArrayHeldByReference) {
  VariantArray owner({VI4(3), VI4(1), VI4(2)});
  SAFEARRAY* referenced = V_ARRAY(owner.get());
  VARIANT by_ref;
  V_VT(&by_ref) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&by_ref) = &referenced;
  ASSERT_EQ(S_OK, Sort(&by_ref, 0, true));
  EXPECT_EQ(3, V_I4(&owner.Data()[0]));
  EXPECT_EQ(1, V_I4(&owner.Data()[2]));
  SAFEARRAY* none = nullptr;
  V_ARRAYREF(&by_ref) = &none;
  EXPECT_EQ(E_INVALIDARG, Sort(&by_ref));
  V_ARRAYREF(&by_ref) = nullptr;
  EXPECT_EQ(E_INVALIDARG, Sort(&by_ref));
}

TEST_P(ArraySortV, RejectedArgumentsChangeNothing) {
  struct Case {
    const char* what;
    bool table;
    LONG k1, k2, k3;
  };
  const Case cases[] = {
      {"negative key", true, -1, 0, 0},      {"key 2 without key 1", true, 0, 1, 0},
      {"key 3 without key 2", true, 1, 0, 1}, {"key beyond the columns", true, 3, 0, 0},
      {"second key beyond", true, 1, 3, 0},   {"key beyond the list", false, 4, 0, 0},
  };
  for (const Case& c : cases) {
    std::unique_ptr<VariantArray> array =
        c.table ? std::make_unique<VariantArray>(std::vector<std::vector<VARIANT>>{{VI4(2), VI4(1)}, {VI4(1), VI4(2)}})
                : std::make_unique<VariantArray>(std::vector<VARIANT>{VI4(3), VI4(2), VI4(1)});
    std::vector<std::string> before = array->Bytes();
    EXPECT_EQ(E_INVALIDARG, Sort(array->get(), c.k1, false, c.k2, false, c.k3)) << c.what;
    EXPECT_EQ(before, array->Bytes()) << c.what;
  }
  VariantArray table(std::vector<std::vector<VARIANT>>{{VI4(2), VI4(1)}, {VI4(1), VI4(2)}});
  EXPECT_EQ(S_OK, Sort(table.get(), 2)) << "a key equal to the width";
  EXPECT_EQ(1, V_I4(&table.Data()[2]));
  VariantArray no_rows(std::vector<std::vector<VARIANT>>{}, 2);
  EXPECT_EQ(E_INVALIDARG, Sort(no_rows.get()));
  VariantArray no_columns(std::vector<std::vector<VARIANT>>{{}, {}});
  EXPECT_EQ(E_INVALIDARG, Sort(no_columns.get()));
  SAFEARRAYBOUND bounds[3] = {{2, 0}, {2, 0}, {2, 0}};
  ScopedVariant cube;
  V_VT(cube.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(cube.get()) = SafeArrayCreate(VT_VARIANT, 3, bounds);
  EXPECT_EQ(E_INVALIDARG, Sort(cube.get()));
  SAFEARRAY bare{};
  bare.cbElements = sizeof(VARIANT);
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&v) = &bare;
  EXPECT_EQ(E_INVALIDARG, Sort(&v)) << "no dimensions";
  bare.cDims = 1;
  bare.rgsabound[0].cElements = 4;
  EXPECT_EQ(E_INVALIDARG, Sort(&v)) << "no data";
  V_ARRAY(&v) = nullptr;
  EXPECT_EQ(E_INVALIDARG, Sort(&v)) << "no array";
  V_VT(&v) = VT_I4;
  EXPECT_EQ(E_INVALIDARG, Sort(&v)) << "no array at all";
  SAFEARRAYBOUND bound{2, 0};
  ScopedVariant strings;
  V_VT(strings.get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(strings.get()) = SafeArrayCreate(VT_BSTR, 1, &bound);
  EXPECT_EQ(E_INVALIDARG, Sort(strings.get())) << "array of strings";
}

}  // namespace
}  // namespace korvel::test
