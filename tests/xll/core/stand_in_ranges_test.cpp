// The stand-in host's Range over the sheet's cells, where a fault of the fake would let an add-in's fault
// pass: array shapes and bounds, counts past 32 bits, several areas, Resize with any integer type, End,
// Select and Calculate seen by the C API, and references back at their start.
#include "add_in.h"
#include "common/safearray_access.h"
#include "host_numbers.h"

namespace korvel::test {
namespace {

namespace h = korvel::standin::hostapi;

class StandInRangesTest : public AddInTest {
 protected:
  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  SheetCells& cells(size_t n = 0) { return sheet(n)->cells(); }

  // Calls `name` on `object` with positional arguments in natural order (and the value of a put).
  static HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<OwnedVariant> args,
                        VARIANT* result, const VARIANT* put = nullptr) {
    DISPID id = 0;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, &n, 1, 0, &id); FAILED(hr)) return hr;
    std::vector<VARIANT> reversed;
    DISPID put_id = DISPID_PROPERTYPUT;
    if (put) reversed.push_back(*put);
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it);
    DISPPARAMS params{reversed.data(), put ? &put_id : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    return object->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr, nullptr);
  }
  // Get of an object member; null when it fails.
  static korvel::ComPtr<IDispatch> Object(IDispatch* object, const wchar_t* name, std::vector<OwnedVariant> args = {}) {
    OwnedVariant r;
    if (FAILED(Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, std::move(args), &r)) ||
        r.vt != VT_DISPATCH)
      return {};
    return korvel::ComPtr<IDispatch>::Adopt(std::exchange(r.pdispVal, nullptr));
  }
  static OwnedVariant Get(IDispatch* object, const wchar_t* name, HRESULT expected = S_OK) {
    OwnedVariant r;
    EXPECT_EQ(Invoke(object, name, DISPATCH_PROPERTYGET, {}, &r), expected) << std::string(name, name + wcslen(name));
    return r;
  }
  korvel::ComPtr<IDispatch> RangeOf(const wchar_t* address) {
    return Object(sheet(), L"Range", [&] {
      std::vector<OwnedVariant> a;
      a.push_back(OwnedVariant::Text(address));
      return a;
    }());
  }
  static OwnedVariant Of(VARTYPE vt, LONGLONG v) {
    OwnedVariant o;
    o.vt = vt;
    if (vt == VT_R8) o.dblVal = static_cast<double>(v);
    else o.llVal = v;
    return o;
  }
  static std::vector<OwnedVariant> Args(std::initializer_list<OwnedVariant> list) { return list; }
};

TEST_F(StandInRangesTest, ValueOfARectangleIsAnArrayOfRowsAndColumnsFromOneAndAPutSpreadsIt) {
  const LONG sheet_refs = sheet()->refs();
  cells().Set(L"B2", 1.0);
  cells().Set(L"C2", L"x");
  cells().SetFormula(L"B4", L"=B2*2", 2.0);
  {
    auto range = RangeOf(L"B2:C4");
    ASSERT_TRUE(range);
    OwnedVariant value = Get(range.get(), L"Value");
    ASSERT_EQ(value.vt, VT_ARRAY | VT_VARIANT);
    ASSERT_EQ(SafeArrayGetDim(value.parray), 2u);
    LONG low = 0, high = 0;
    SafeArrayGetLBound(value.parray, 1, &low);
    SafeArrayGetUBound(value.parray, 1, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 3) << "rows first";
    SafeArrayGetLBound(value.parray, 2, &low);
    SafeArrayGetUBound(value.parray, 2, &high);
    EXPECT_EQ(low, 1);
    EXPECT_EQ(high, 2);
    struct Expected {
      LONG row, column;
      VARTYPE vt;
      std::wstring text;
    };
    for (const Expected& e : {Expected{1, 1, VT_R8, L"1"}, Expected{1, 2, VT_BSTR, L"x"},
                              Expected{2, 1, VT_EMPTY, L""}, Expected{3, 1, VT_R8, L"2"}}) {
      LONG index[2] = {e.row, e.column};
      OwnedVariant element;
      ASSERT_EQ(SafeArrayGetElement(value.parray, index, &element), S_OK);
      EXPECT_EQ(element.vt, e.vt) << e.row << "," << e.column;
      if (e.vt != VT_EMPTY) EXPECT_EQ(TextOf(element), e.text);
    }
    OwnedVariant formula = Get(range.get(), L"Formula");
    LONG b4[2] = {3, 1};
    OwnedVariant text;
    ASSERT_EQ(SafeArrayGetElement(formula.parray, b4, &text), S_OK);
    EXPECT_EQ(TextOf(text), L"=B2*2");

    // The array read back into E1:F3: the same cells; a single row spreads down a taller range.
    auto target = RangeOf(L"E1:F3");
    ASSERT_EQ(Invoke(target.get(), L"Value", DISPATCH_PROPERTYPUT, {}, nullptr, &value), S_OK);
    EXPECT_EQ(cells().ValueAt(L"F1"), CellValue(L"x"));
    EXPECT_EQ(cells().ValueAt(L"E3"), CellValue(2.0));
    EXPECT_EQ(cells().FormulaAt(L"E3"), L"") << "Value puts values, not formulas";
    SAFEARRAYBOUND row{2, 0};
    UniqueSafeArray one_row(SafeArrayCreate(VT_VARIANT, 1, &row));
    LONG i = 1;
    OwnedVariant seven = Of(VT_R8, 7);
    SafeArrayPutElement(one_row.get(), &i, &seven);
    OwnedVariant put;
    put.vt = VT_ARRAY | VT_VARIANT;
    put.parray = one_row.release();
    ASSERT_EQ(Invoke(target.get(), L"Value", DISPATCH_PROPERTYPUT, {}, nullptr, &put), S_OK);
    EXPECT_TRUE(cells().ValueAt(L"E2").empty());
    EXPECT_EQ(cells().ValueAt(L"F3"), CellValue(7.0));

    // One cell reads as a scalar.
    auto cell = RangeOf(L"C2");
    OwnedVariant scalar = Get(cell.get(), L"Value");
    EXPECT_EQ(scalar.vt, VT_BSTR);
    EXPECT_EQ(cell.get(), static_cast<IDispatch*>(sheet()->Cell(2, 3))) << "one cell is the sheet's own object";
  }
  EXPECT_EQ(sheet()->refs(), sheet_refs);
  EXPECT_EQ(sheet()->Cell(2, 3)->refs(), 1);
}

TEST_F(StandInRangesTest, CountsAreasAndAddressesOfLargeAndSeveralAreaRanges) {
  auto all = Object(sheet(), L"Cells");
  ASSERT_TRUE(all);
  Get(all.get(), L"Count", DISP_E_OVERFLOW);
  OwnedVariant large = Get(all.get(), L"CountLarge");
  EXPECT_EQ(large.vt, VT_I8);
  EXPECT_EQ(large.llVal, 1048576LL * 16384LL);
  auto cell = Object(all.get(), L"Item", Args({OwnedVariant::I4(3), OwnedVariant::I4(2)}));
  EXPECT_EQ(TextOf(Get(cell.get(), L"Address")), L"$B$3");

  auto wide = RangeOf(L"A1:xfd3001");
  EXPECT_EQ(Get(wide.get(), L"Count").lVal, 3001 * 16384);
  auto columns = Object(wide.get(), L"Columns");
  ASSERT_TRUE(columns);
  EXPECT_EQ(Get(columns.get(), L"Count").lVal, 16384);

  auto two = RangeOf(L"B2:C3,E5");
  EXPECT_EQ(TextOf(Get(two.get(), L"Address")), L"$B$2:$C$3,$E$5");
  EXPECT_EQ(Get(two.get(), L"Count").lVal, 5);
  auto areas = Object(two.get(), L"Areas");
  EXPECT_EQ(Get(areas.get(), L"Count").lVal, 2);
  auto second = Object(areas.get(), L"Item", Args({OwnedVariant::I4(2)}));
  EXPECT_EQ(TextOf(Get(second.get(), L"Address")), L"$E$5");
  // Item(n) goes row by row across the first area.
  auto third = Object(two.get(), L"Item", Args({OwnedVariant::I4(3)}));
  EXPECT_EQ(TextOf(Get(third.get(), L"Address")), L"$B$3");
  host.model().set_count_large_type(VT_R8);
  EXPECT_EQ(Get(two.get(), L"CountLarge").vt, VT_R8);
}

TEST_F(StandInRangesTest, ResizeTakesAnyIntegerTypeAndEndGoesToTheLastUsedCellAbove) {
  auto a1 = RangeOf(L"A1");
  for (VARTYPE vt : {VT_I4, VT_I8, VT_UI8, VT_R8}) {
    SCOPED_TRACE(vt);
    auto resized = Object(a1.get(), L"Resize", Args({Of(vt, 3), Of(vt, 2)}));
    ASSERT_TRUE(resized);
    EXPECT_EQ(TextOf(Get(resized.get(), L"Address")), L"$A$1:$B$3");
  }
  EXPECT_FALSE(Object(a1.get(), L"Resize", Args({OwnedVariant::I4(0)})));
  EXPECT_FALSE(Object(a1.get(), L"Resize", Args({OwnedVariant::I4(1048577)})));

  cells().Set(L"A1:A5", 1.0);
  cells().Set(L"A8", 1.0);
  struct Case {
    const wchar_t* from;
    const wchar_t* to;
  };
  for (const Case& c : {Case{L"A1048576", L"$A$8"}, Case{L"A8", L"$A$5"}, Case{L"A5", L"$A$1"},
                        Case{L"A3", L"$A$1"}, Case{L"B9", L"$B$1"}}) {
    SCOPED_TRACE(std::wstring(c.from));
    auto end = Object(RangeOf(c.from).get(), L"End", Args({OwnedVariant::I4(-4162)}));
    ASSERT_TRUE(end);
    EXPECT_EQ(TextOf(Get(end.get(), L"Address")), c.to);
  }
}

TEST_F(StandInRangesTest, SelectAndCalculateAreWhatTheCApiSees) {
  auto range = RangeOf(L"B2:C3,E5");
  ASSERT_EQ(Invoke(range.get(), L"Select", DISPATCH_METHOD, {}, nullptr), S_OK);
  XLOPER12 selection{};
  ASSERT_EQ(host.api().Call(h::xlfSelection, 0, nullptr, &selection), h::xlretSuccess);
  ASSERT_EQ(selection.val.mref.lpmref->count, 2);
  EXPECT_EQ(selection.val.mref.lpmref->reftbl[1].rwFirst, 4);
  XLOPER12* free_args[] = {&selection};
  host.api().Call(h::xlFree, 1, free_args, nullptr);
  auto selected = Object(app(), L"Selection");
  EXPECT_EQ(TextOf(Get(selected.get(), L"Address")), L"$B$2:$C$3,$E$5");
  // Another sheet's range cannot be selected while it is not active.
  auto other = Object(sheet(1), L"Range", Args({OwnedVariant::Text(L"A1:A2")}));
  EXPECT_NE(Invoke(other.get(), L"Select", DISPATCH_METHOD, {}, nullptr), S_OK);

  // A formula the add-in puts takes its value at once while the host calculates automatically; with manual
  // calculation not until the host calculates.
  cells().RegisterResult(L"=A1+1", 6.0);
  cells().RegisterResult(L"=A1+2", 7.0);
  auto b1 = Object(app(), L"Range", Args({OwnedVariant::Text(L"B1")}));
  OwnedVariant formula = OwnedVariant::Text(L"=A1+2");
  ASSERT_EQ(Invoke(b1.get(), L"Formula", DISPATCH_PROPERTYPUT, {}, nullptr, &formula), S_OK);
  XLOPER12 ref{};
  ref.xltype = h::xltypeSRef;
  ref.val.sref.count = 1;
  ref.val.sref.ref = {0, 0, 1, 1};
  XLOPER12 value{};
  XLOPER12* coerce_args[] = {&ref};
  ASSERT_EQ(host.api().Call(h::xlCoerce, 1, coerce_args, &value), h::xlretSuccess);
  EXPECT_EQ(value.val.num, 7);
  app()->Value(L"Calculation") = OwnedVariant::I4(-4135);
  formula = OwnedVariant::Text(L"=A1+1");
  ASSERT_EQ(Invoke(b1.get(), L"Formula", DISPATCH_PROPERTYPUT, {}, nullptr, &formula), S_OK);
  EXPECT_EQ(host.api().Call(h::xlCoerce, 1, coerce_args, &value), h::xlretUncalced);
  OwnedVariant nothing;
  ASSERT_EQ(Invoke(app(), L"Calculate", DISPATCH_PROPERTYGET, {}, &nothing), S_OK);
  ASSERT_EQ(host.api().Call(h::xlCoerce, 1, coerce_args, &value), h::xlretSuccess);
  EXPECT_EQ(value.val.num, 6);
  EXPECT_EQ(TextOf(Get(b1.get(), L"Formula")), L"=A1+1");

  cells().Set(L"C3", 1.0);
  cells().Set(L"E5", L"e");
  OwnedVariant done;
  ASSERT_EQ(Invoke(range.get(), L"ClearContents", DISPATCH_METHOD, {}, &done), S_OK);
  EXPECT_TRUE(cells().ValueAt(L"E5").empty()) << "every area";
  EXPECT_TRUE(cells().ValueAt(L"C3").empty());
  EXPECT_EQ(cells().ValueAt(L"B1"), CellValue(6.0)) << "outside the range";
  EXPECT_EQ(host.api().outstanding(), 0u);
}

}  // namespace
}  // namespace korvel::test
