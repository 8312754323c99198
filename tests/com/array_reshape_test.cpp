// Transpose and ReDimArray: the transpose core on arrays of every element size, and both members through
// the server's vtable with the ways a caller hands an array over. Expected layouts follow from the
// column-major rule (element (r, c) of an H x W array at c*H + r), computed here independently.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/array_reshape.h"
#include "test_support.h"

namespace korvel::test {
namespace {

// Destroys the array it holds (descriptor, data and what the elements own).
struct ArrayOwner {
  explicit ArrayOwner(SAFEARRAY* array = nullptr) : a(array) {}
  ~ArrayOwner() { if (a) SafeArrayDestroy(a); }
  ArrayOwner(const ArrayOwner&) = delete;
  ArrayOwner& operator=(const ArrayOwner&) = delete;
  SAFEARRAY* a;
};

ULONG Rows(const SAFEARRAY* a) { return a->rgsabound[1].cElements; }
ULONG Columns(const SAFEARRAY* a) { return a->rgsabound[0].cElements; }
LONG RowLbound(const SAFEARRAY* a) { return a->rgsabound[1].lLbound; }
LONG ColumnLbound(const SAFEARRAY* a) { return a->rgsabound[0].lLbound; }
unsigned char* At(SAFEARRAY* a, size_t r, size_t c) {
  return static_cast<unsigned char*>(a->pvData) + (c * Rows(a) + r) * a->cbElements;
}

// A two-dimensional array of `rows` x `columns` elements of `vt` (VT_EMPTY: untyped, of `size` bytes).
SAFEARRAY* NewMatrix(VARTYPE vt, ULONG rows, LONG row_lbound, ULONG columns, LONG column_lbound, ULONG size = 0) {
  SAFEARRAY* a = nullptr;
  HRESULT hr = vt == VT_EMPTY ? SafeArrayAllocDescriptor(2, &a) : SafeArrayAllocDescriptorEx(vt, 2, &a);
  if (FAILED(hr)) return nullptr;
  if (vt == VT_EMPTY) a->cbElements = size;
  a->rgsabound[1] = SAFEARRAYBOUND{rows, row_lbound};
  a->rgsabound[0] = SAFEARRAYBOUND{columns, column_lbound};
  if (FAILED(SafeArrayAllocData(a))) {
    SafeArrayDestroyDescriptor(a);
    return nullptr;
  }
  return a;
}

SAFEARRAY* NewList(VARTYPE vt, ULONG count, LONG lbound) {
  SAFEARRAYBOUND bound{count, lbound};
  return SafeArrayCreate(vt, 1, &bound);
}

// The bytes of element (r, c) before the transpose: distinct for every element and byte.
unsigned char Pattern(size_t r, size_t c, size_t byte) { return static_cast<unsigned char>(r * 131 + c * 17 + byte * 7 + 1); }

void CheckTransposed(VARTYPE vt, ULONG size, ULONG rows, ULONG columns) {
  SCOPED_TRACE("element size " + std::to_string(size) + ", " + std::to_string(rows) + " x " + std::to_string(columns));
  ArrayOwner m(NewMatrix(vt, rows, 3, columns, -2, size));
  ASSERT_TRUE(m.a);
  ASSERT_EQ(size, SafeArrayGetElemsize(m.a));
  for (size_t r = 0; r < rows; ++r)
    for (size_t c = 0; c < columns; ++c)
      for (size_t b = 0; b < size; ++b) At(m.a, r, c)[b] = Pattern(r, c, b);
  void* data = m.a->pvData;
  TransposeStep step = TransposeStep::kShape;
  ASSERT_EQ(S_OK, TransposeInPlace(m.a, &step));
  EXPECT_EQ(TransposeStep::kNone, step);
  EXPECT_EQ(data, m.a->pvData) << "the data block is kept";
  EXPECT_EQ(0u, m.a->cLocks);
  ASSERT_EQ(columns, Rows(m.a));
  ASSERT_EQ(rows, Columns(m.a));
  EXPECT_EQ(-2, RowLbound(m.a));
  EXPECT_EQ(3, ColumnLbound(m.a));
  for (size_t r = 0; r < rows; ++r)
    for (size_t c = 0; c < columns; ++c)
      for (size_t b = 0; b < size; ++b) ASSERT_EQ(Pattern(r, c, b), At(m.a, c, r)[b]) << r << "," << c << " byte " << b;
}

TEST(TransposeCore, EveryElementSizeAndShape) {
  const ULONG sizes[] = {1, 2, 3, 4, 8, 16, 24, 40};
  const struct { ULONG rows, columns; } shapes[] = {{2, 3}, {3, 2}, {1, 5}, {5, 1}, {1, 1}, {37, 53}, {64, 64}, {100, 7}};
  for (ULONG size : sizes)
    for (const auto& s : shapes) CheckTransposed(VT_EMPTY, size, s.rows, s.columns);
  // Typed arrays of the sizes the platform has: bytes, 16-bit integers, doubles, decimals.
  CheckTransposed(VT_UI1, 1, 9, 4);
  CheckTransposed(VT_I2, 2, 9, 4);
  CheckTransposed(VT_R8, 8, 9, 4);
  CheckTransposed(VT_DECIMAL, 16, 9, 4);
}

// Bytes of element (r, c) that tell the elements of large arrays apart: a mix of both indices and the byte.
unsigned char Mixed(size_t r, size_t c, size_t byte) {
  std::uint64_t x = (std::uint64_t{r} << 32) ^ (std::uint64_t{c} << 8) ^ byte;
  x *= 0x9E3779B97F4A7C15ull;
  return static_cast<unsigned char>(x >> 56);
}

// Column-major rows x columns of `size`-byte elements, filled with Mixed.
std::vector<unsigned char> MixedBlock(size_t rows, size_t columns, size_t size) {
  std::vector<unsigned char> data(rows * columns * size);
  for (size_t c = 0; c < columns; ++c)
    for (size_t r = 0; r < rows; ++r)
      for (size_t b = 0; b < size; ++b) data[(c * rows + r) * size + b] = Mixed(r, c, b);
  return data;
}

// Whether `data` holds the columns x rows transpose of MixedBlock(rows, columns, size); the first wrong
// element otherwise.
::testing::AssertionResult HoldsTransposed(const std::vector<unsigned char>& data, size_t rows, size_t columns, size_t size) {
  for (size_t r = 0; r < rows; ++r)
    for (size_t c = 0; c < columns; ++c)
      for (size_t b = 0; b < size; ++b)
        if (data[(r * columns + c) * size + b] != Mixed(r, c, b))
          return ::testing::AssertionFailure() << "old (" << r << ", " << c << ") byte " << b;
  return ::testing::AssertionSuccess();
}

// Shapes for every road: squares of one tile, of several with a partial last one, blocks side by side
// and one above the other, blocks in both directions, and shapes with a small or no common divisor.
const struct { ULONG rows, columns; } kRoadShapes[] = {
    {2, 2}, {7, 7}, {96, 96}, {100, 100}, {64, 192}, {192, 64}, {256, 512}, {512, 256}, {96, 160},
    {160, 96}, {300, 1000}, {33, 99}, {99, 33}, {7, 5}, {13, 8}, {101, 103}, {24, 36}, {2, 1000}, {1000, 2}};

TEST(TransposeCore, EveryRoadGivesTheTranspose) {
  for (ULONG size : {1u, 2u, 4u, 8u, 16u, 24u, 40u})
    for (const auto& shape : kRoadShapes) {
      SCOPED_TRACE("element size " + std::to_string(size) + ", " + std::to_string(shape.rows) + " x " +
                   std::to_string(shape.columns));
      ArrayOwner m(NewMatrix(VT_EMPTY, shape.rows, 0, shape.columns, 5, size));
      ASSERT_TRUE(m.a);
      std::vector<unsigned char> data = MixedBlock(shape.rows, shape.columns, size);
      std::memcpy(m.a->pvData, data.data(), data.size());
      ASSERT_EQ(S_OK, TransposeInPlace(m.a));
      ASSERT_EQ(shape.columns, Rows(m.a));
      ASSERT_EQ(shape.rows, Columns(m.a));
      std::memcpy(data.data(), m.a->pvData, data.size());
      EXPECT_TRUE(HoldsTransposed(data, shape.rows, shape.columns, size));
    }
}

// The road taken without a working copy, for the shapes that normally have one too.
TEST(TransposeCore, InPlaceRoadForAnyShape) {
  for (ULONG size : {1u, 3u, 8u, 24u})
    for (const auto& shape : kRoadShapes) {
      SCOPED_TRACE("element size " + std::to_string(size) + ", " + std::to_string(shape.rows) + " x " +
                   std::to_string(shape.columns));
      std::vector<unsigned char> data = MixedBlock(shape.rows, shape.columns, size);
      ASSERT_EQ(S_OK, TransposeDataInPlace(data.data(), shape.rows, shape.columns, size));
      EXPECT_TRUE(HoldsTransposed(data, shape.rows, shape.columns, size));
    }
}

// Never more working memory than the data block (the copy it once always took); none for a row or a
// column; far less than the data for a square and where the sides share a large divisor.
TEST(TransposeCore, WorkingMemory) {
  const std::uint64_t block = std::uint64_t{4096} * 8192 * 24;
  EXPECT_LT(TransposeWorkingBytes(4096, 4096, 24), block / 2000);
  EXPECT_EQ(0u, TransposeWorkingBytes(1, 4096, 24));
  EXPECT_EQ(0u, TransposeWorkingBytes(4096, 1, 24));
  EXPECT_EQ(0u, TransposeWorkingBytes(0, 4096, 24));
  EXPECT_LT(TransposeWorkingBytes(4096, 8192, 24), block / 1000);
  EXPECT_LT(TransposeWorkingBytes(8192, 4096, 24), block / 1000);
  for (const auto& shape : kRoadShapes)
    for (std::uint64_t size : {1u, 8u, 24u})
      EXPECT_LE(TransposeWorkingBytes(shape.rows, shape.columns, size), std::uint64_t{shape.rows} * shape.columns * size);
}

TEST(TransposeCore, EmptyDimensionsSwapTheirBounds) {
  const struct { ULONG rows, columns; } shapes[] = {{0, 4}, {4, 0}, {0, 0}};
  for (const auto& s : shapes) {
    ArrayOwner m(NewMatrix(VT_I4, s.rows, 1, s.columns, 0));
    ASSERT_TRUE(m.a);
    ASSERT_EQ(S_OK, TransposeInPlace(m.a));
    EXPECT_EQ(s.columns, Rows(m.a));
    EXPECT_EQ(s.rows, Columns(m.a));
    EXPECT_EQ(0, RowLbound(m.a));
    EXPECT_EQ(1, ColumnLbound(m.a));
  }
}

TEST(TransposeCore, RefusesAnythingButTwoDimensions) {
  ArrayOwner list(NewList(VT_I4, 5, 0));
  TransposeStep step = TransposeStep::kNone;
  EXPECT_EQ(E_INVALIDARG, TransposeInPlace(list.a, &step));
  EXPECT_EQ(TransposeStep::kShape, step) << "the step that refused is named";
  EXPECT_EQ(5u, list.a->rgsabound[0].cElements);
  SAFEARRAYBOUND three[3] = {{2, 0}, {3, 0}, {4, 0}};
  ArrayOwner cube(SafeArrayCreate(VT_I4, 3, three));
  EXPECT_EQ(E_INVALIDARG, TransposeInPlace(cube.a));
  EXPECT_EQ(E_INVALIDARG, TransposeInPlace(nullptr));
}

class Reshaping : public ::testing::Test {
 protected:
  void SetUp() override {
    vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
    ASSERT_TRUE(vba_);
  }
  HRESULT ReDim(VARIANT* v, LONG dims, LONG lbound1, LONG lbound2) {
    return vba_->ReDimArray(v, dims, 7, lbound1, 7, lbound2, 7, 7, 7, 7, 7, 7);
  }
  ComPtr<IVBA> vba_;
};

// A BSTR matrix: every string is moved, none copied, dropped or doubled; the array then frees each once.
TEST_F(Reshaping, TransposeMovesEachStringOnce) {
  ScopedVariant v;
  V_VT(v.get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(v.get()) = NewMatrix(VT_BSTR, 2, 1, 3, 0);
  SAFEARRAY* a = V_ARRAY(v.get());
  ASSERT_TRUE(a);
  BSTR before[2][3];
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      before[r][c] = SysAllocString((L"r" + std::to_wstring(r) + L"c" + std::to_wstring(c)).c_str());
      std::memcpy(At(a, r, c), &before[r][c], sizeof(BSTR));
    }
  ASSERT_EQ(S_OK, vba_->Transpose(v.get()));
  ASSERT_EQ(a, V_ARRAY(v.get()));
  ASSERT_EQ(3u, Rows(a));
  ASSERT_EQ(2u, Columns(a));
  EXPECT_EQ(0, RowLbound(a));  // the 2 x 3 array with lower bounds (1, 0) becomes 3 x 2 with (0, 1)
  EXPECT_EQ(1, ColumnLbound(a));
  std::set<BSTR> seen;
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) {
      BSTR now;
      std::memcpy(&now, At(a, c, r), sizeof(BSTR));
      EXPECT_EQ(before[r][c], now);
      seen.insert(now);
    }
  EXPECT_EQ(6u, seen.size());
}

// VARIANT elements (16 bytes on x86, 24 on x64) holding strings, handed over by reference as a script
// array declared with fixed bounds arrives.
// VARIANTs holding strings, in shapes that are transposed in place (a square, blocks side by side, blocks
// in both directions) and through a copy: each string ends up once, at its transposed place.
TEST_F(Reshaping, TransposeMovesEachVariantOnceInEveryShape) {
  const struct { ULONG rows, columns; } shapes[] = {{40, 40}, {32, 96}, {96, 32}, {64, 96}, {17, 23}};
  for (const auto& shape : shapes) {
    SCOPED_TRACE(std::to_string(shape.rows) + " x " + std::to_string(shape.columns));
    ScopedVariant v;
    V_VT(v.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(v.get()) = NewMatrix(VT_VARIANT, shape.rows, 0, shape.columns, 0);
    SAFEARRAY* a = V_ARRAY(v.get());
    ASSERT_TRUE(a);
    std::vector<BSTR> strings;
    for (size_t c = 0; c < shape.columns; ++c)
      for (size_t r = 0; r < shape.rows; ++r) {
        VARIANT* cell = reinterpret_cast<VARIANT*>(At(a, r, c));
        V_VT(cell) = VT_BSTR;
        V_BSTR(cell) = SysAllocString((std::to_wstring(r) + L"," + std::to_wstring(c)).c_str());
        strings.push_back(V_BSTR(cell));
      }
    ASSERT_EQ(S_OK, vba_->Transpose(v.get()));
    ASSERT_EQ(shape.columns, Rows(a));
    std::set<BSTR> seen;
    for (size_t r = 0; r < shape.rows; ++r)
      for (size_t c = 0; c < shape.columns; ++c) {
        VARIANT* cell = reinterpret_cast<VARIANT*>(At(a, c, r));
        ASSERT_EQ(VT_BSTR, V_VT(cell));
        ASSERT_EQ(strings[c * shape.rows + r], V_BSTR(cell)) << "the same string, not a copy";
        EXPECT_STREQ((std::to_wstring(r) + L"," + std::to_wstring(c)).c_str(), V_BSTR(cell));
        EXPECT_TRUE(seen.insert(V_BSTR(cell)).second);
      }
  }
}

TEST_F(Reshaping, TransposeVariantsThroughAReference) {
  SAFEARRAY* a = NewMatrix(VT_VARIANT, 3, 0, 4, 0);
  ASSERT_TRUE(a);
  ArrayOwner owner(a);
  EXPECT_EQ(sizeof(VARIANT), SafeArrayGetElemsize(a));
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      auto* e = reinterpret_cast<VARIANT*>(At(a, r, c));
      V_VT(e) = VT_BSTR;
      V_BSTR(e) = SysAllocString((std::to_wstring(r) + L"," + std::to_wstring(c)).c_str());
    }
  SAFEARRAY* variable = a;
  VARIANT ref;
  V_VT(&ref) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&ref) = &variable;
  ASSERT_EQ(S_OK, vba_->Transpose(&ref));
  EXPECT_EQ(a, variable);
  ASSERT_EQ(4u, Rows(a));
  std::set<BSTR> seen;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      auto* e = reinterpret_cast<VARIANT*>(At(a, c, r));
      ASSERT_EQ(VT_BSTR, V_VT(e));
      EXPECT_EQ(std::to_wstring(r) + L"," + std::to_wstring(c), std::wstring(V_BSTR(e)));
      seen.insert(V_BSTR(e));
    }
  EXPECT_EQ(12u, seen.size());

  // The same through a VARIANT that refers to the VARIANT holding the array.
  VARIANT inner;
  V_VT(&inner) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&inner) = a;
  VARIANT outer;
  V_VT(&outer) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&outer) = &inner;
  ASSERT_EQ(S_OK, vba_->Transpose(&outer));
  EXPECT_EQ(3u, Rows(a));
  EXPECT_EQ(L"2,3", std::wstring(V_BSTR(reinterpret_cast<VARIANT*>(At(a, 2, 3)))));
}

TEST_F(Reshaping, TransposeRefusals) {
  ScopedVariant list;
  V_VT(list.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(list.get()) = NewList(VT_I4, 3, 0);
  EXPECT_EQ(E_INVALIDARG, vba_->Transpose(list.get()));
  ScopedVariant number;
  V_VT(number.get()) = VT_I4;
  V_I4(number.get()) = 5;
  EXPECT_EQ(E_INVALIDARG, vba_->Transpose(number.get()));
  ScopedVariant no_array;  // a dynamic array never dimensioned
  V_VT(no_array.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(no_array.get()) = nullptr;
  EXPECT_EQ(E_INVALIDARG, vba_->Transpose(no_array.get()));
  SAFEARRAY* none = nullptr;
  VARIANT ref;
  V_VT(&ref) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&ref) = &none;
  EXPECT_EQ(E_INVALIDARG, vba_->Transpose(&ref));
  EXPECT_EQ(E_INVALIDARG, vba_->Transpose(nullptr));
}

TEST_F(Reshaping, ReDimTable) {
  // {rows, columns} of a matrix, or {n, 0 with list = true}; the call; the expected shape afterwards.
  const struct {
    bool list; ULONG a, b; LONG dims, lbound1, lbound2;
    HRESULT hr; UINT dims_after; ULONG rows_after, columns_after; LONG row_lb_after, column_lb_after;
  } cases[] = {
      // list of 4 to a column of 4 rows indexed (1..4, 0)
      {true, 4, 0, 2, 0, 1, S_OK, 2, 4, 1, 1, 0},
      {true, 4, 0, 2, -3, 9, S_OK, 2, 4, 1, 9, -3},
      {true, 0, 0, 2, 0, 0, S_OK, 2, 0, 1, 0, 0},
      // a row or a column of 5 to a list of 5 indexed 1..5 (the list's bound record is the first)
      {false, 1, 5, 1, 1, 0, S_OK, 1, 0, 5, 0, 1},
      {false, 5, 1, 1, 1, 0, S_OK, 1, 0, 5, 0, 1},
      {false, 1, 1, 1, 7, 0, S_OK, 1, 0, 1, 0, 7},
      // no element at all: an empty list
      {false, 0, 5, 1, 1, 0, S_OK, 1, 0, 0, 0, 1},
      {false, 5, 0, 1, 1, 0, S_OK, 1, 0, 0, 0, 1},
      {false, 2, 3, 1, 1, 0, E_INVALIDARG, 2, 2, 3, 4, 6},
      // already of that dimension count: nothing changes, not even the bounds
      {false, 2, 3, 2, 1, 1, S_OK, 2, 2, 3, 4, 6},
      {true, 4, 0, 1, 9, 9, S_OK, 1, 0, 4, 0, 6},
      {false, 2, 3, 3, 1, 1, E_INVALIDARG, 2, 2, 3, 4, 6},
      {true, 4, 0, 0, 1, 1, E_INVALIDARG, 1, 0, 4, 0, 6},
      {true, 4, 0, -1, 1, 1, E_INVALIDARG, 1, 0, 4, 0, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(&c - cases));
    SAFEARRAY* made = c.list ? NewList(VT_I4, c.a, 6) : NewMatrix(VT_I4, c.a, 4, c.b, 6);
    ASSERT_TRUE(made);
    ScopedVariant v;
    V_VT(v.get()) = VT_ARRAY | VT_I4;
    V_ARRAY(v.get()) = made;
    void* data = made->pvData;
    EXPECT_EQ(c.hr, ReDim(v.get(), c.dims, c.lbound1, c.lbound2));
    SAFEARRAY* a = V_ARRAY(v.get());
    ASSERT_TRUE(a);
    EXPECT_EQ(data, a->pvData);
    EXPECT_EQ(0u, a->cLocks);
    ASSERT_EQ(c.dims_after, SafeArrayGetDim(a));
    EXPECT_EQ(VT_ARRAY | VT_I4, V_VT(v.get()));
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(a, &vt));
    EXPECT_EQ(VT_I4, vt);
    EXPECT_EQ(4u, SafeArrayGetElemsize(a));
    if (c.dims_after == 2) {
      EXPECT_EQ(c.rows_after, Rows(a));
      EXPECT_EQ(c.columns_after, Columns(a));
      EXPECT_EQ(c.row_lb_after, RowLbound(a));
      EXPECT_EQ(c.column_lb_after, ColumnLbound(a));
      LONG lb = 0;
      SafeArrayGetLBound(a, 1, &lb);
      EXPECT_EQ(c.row_lb_after, lb) << "the left index is the row";
    } else {
      EXPECT_EQ(c.columns_after, a->rgsabound[0].cElements);
      EXPECT_EQ(c.column_lb_after, a->rgsabound[0].lLbound);
    }
  }
}

TEST_F(Reshaping, ReDimKeepsElementTypeAndContents) {
  // Strings survive one to two and back, and the array frees each of them once at the end.
  ScopedVariant v;
  V_VT(v.get()) = VT_ARRAY | VT_BSTR;
  V_ARRAY(v.get()) = NewList(VT_BSTR, 3, 0);
  BSTR* items = static_cast<BSTR*>(V_ARRAY(v.get())->pvData);
  for (int i = 0; i < 3; ++i) items[i] = SysAllocString((L"item" + std::to_wstring(i)).c_str());
  ASSERT_EQ(S_OK, ReDim(v.get(), 2, 0, 1));
  SAFEARRAY* a = V_ARRAY(v.get());
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ(S_OK, SafeArrayGetVartype(a, &vt));
  EXPECT_EQ(VT_BSTR, vt);
  EXPECT_TRUE(a->fFeatures & FADF_BSTR);
  EXPECT_EQ(items, a->pvData);
  EXPECT_EQ(L"item2", std::wstring(static_cast<BSTR*>(a->pvData)[2]));
  ASSERT_EQ(S_OK, ReDim(v.get(), 1, 1, 0));
  EXPECT_EQ(1u, SafeArrayGetDim(V_ARRAY(v.get())));
  EXPECT_EQ(3u, V_ARRAY(v.get())->rgsabound[0].cElements);

  // Interface arrays carry their interface identifier.
  ScopedVariant objects;
  V_VT(objects.get()) = VT_ARRAY | VT_DISPATCH;
  V_ARRAY(objects.get()) = NewList(VT_DISPATCH, 2, 0);
  ASSERT_EQ(S_OK, ReDim(objects.get(), 2, 0, 0));
  GUID iid = GUID_NULL;
  ASSERT_EQ(S_OK, SafeArrayGetIID(V_ARRAY(objects.get()), &iid));
  EXPECT_TRUE(IsEqualGUID(IID_IDispatch, iid));
  ASSERT_EQ(S_OK, SafeArrayGetVartype(V_ARRAY(objects.get()), &vt));
  EXPECT_EQ(VT_DISPATCH, vt);

  // Variant arrays.
  ScopedVariant variants;
  V_VT(variants.get()) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(variants.get()) = NewList(VT_VARIANT, 2, 0);
  auto* cells = static_cast<VARIANT*>(V_ARRAY(variants.get())->pvData);
  V_VT(&cells[1]) = VT_BSTR;
  V_BSTR(&cells[1]) = SysAllocString(L"kept");
  ASSERT_EQ(S_OK, ReDim(variants.get(), 2, 0, 0));
  ASSERT_EQ(S_OK, SafeArrayGetVartype(V_ARRAY(variants.get()), &vt));
  EXPECT_EQ(VT_VARIANT, vt);
  EXPECT_EQ(L"kept", std::wstring(V_BSTR(&static_cast<VARIANT*>(V_ARRAY(variants.get())->pvData)[1])));
}

TEST_F(Reshaping, ReDimThroughReferences) {
  SAFEARRAY* variable = NewList(VT_VARIANT, 4, 0);
  ArrayOwner owner(nullptr);
  VARIANT ref;
  V_VT(&ref) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&ref) = &variable;
  ASSERT_EQ(S_OK, ReDim(&ref, 2, 0, 1));
  owner.a = variable;  // the referred variable holds the new descriptor
  EXPECT_EQ(2u, SafeArrayGetDim(variable));
  EXPECT_EQ(4u, Rows(variable));

  VARIANT inner;
  V_VT(&inner) = VT_ARRAY | VT_VARIANT;
  V_ARRAY(&inner) = variable;
  VARIANT outer;
  V_VT(&outer) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&outer) = &inner;
  ASSERT_EQ(S_OK, ReDim(&outer, 1, 0, 0));
  EXPECT_EQ(variable, V_ARRAY(&inner));
  EXPECT_EQ(1u, SafeArrayGetDim(variable));
}

TEST_F(Reshaping, ReDimRefusesWhatItCannotReplaceSafely) {
  // A vector's data share the descriptor's block: replacing the descriptor would free them.
  ScopedVariant vector;
  V_VT(vector.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(vector.get()) = SafeArrayCreateVector(VT_I4, 0, 3);
  SAFEARRAY* before = V_ARRAY(vector.get());
  static_cast<LONG*>(before->pvData)[2] = 42;
  EXPECT_EQ(E_INVALIDARG, ReDim(vector.get(), 2, 0, 0));
  EXPECT_EQ(before, V_ARRAY(vector.get()));
  EXPECT_EQ(42, static_cast<LONG*>(before->pvData)[2]);

  // A locked array keeps its descriptor.
  ScopedVariant locked;
  V_VT(locked.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(locked.get()) = NewList(VT_I4, 3, 0);
  SafeArrayLock(V_ARRAY(locked.get()));
  before = V_ARRAY(locked.get());
  EXPECT_EQ(DISP_E_ARRAYISLOCKED, ReDim(locked.get(), 2, 0, 0));
  EXPECT_EQ(before, V_ARRAY(locked.get()));
  EXPECT_EQ(1u, SafeArrayGetDim(before));
  SafeArrayUnlock(before);

  // Descriptors that their owner holds itself (here on the stack, as a host does for a local array
  // with fixed bounds): never freed; from two dimensions to one they are rewritten in place.
  struct {
    USHORT cDims, fFeatures;
    ULONG cbElements, cLocks;
    PVOID pvData;
    SAFEARRAYBOUND bounds[2];
  } on_stack = {};
  LONG data[6] = {1, 2, 3, 4, 5, 6};
  on_stack.cDims = 1;
  on_stack.fFeatures = FADF_AUTO | FADF_FIXEDSIZE;
  on_stack.cbElements = sizeof(LONG);
  on_stack.pvData = data;
  on_stack.bounds[0] = SAFEARRAYBOUND{6, 0};
  SAFEARRAY* stack_array = reinterpret_cast<SAFEARRAY*>(&on_stack);
  VARIANT v;
  V_VT(&v) = VT_ARRAY | VT_I4;
  V_ARRAY(&v) = stack_array;
  EXPECT_EQ(E_INVALIDARG, ReDim(&v, 2, 0, 0));
  EXPECT_EQ(stack_array, V_ARRAY(&v));
  EXPECT_EQ(1, on_stack.cDims);
  on_stack.cDims = 2;
  on_stack.bounds[0] = SAFEARRAYBOUND{1, 0};
  on_stack.bounds[1] = SAFEARRAYBOUND{6, 0};
  EXPECT_EQ(S_OK, ReDim(&v, 1, 1, 0));
  EXPECT_EQ(stack_array, V_ARRAY(&v));
  EXPECT_EQ(1, on_stack.cDims);
  EXPECT_EQ(6u, on_stack.bounds[0].cElements);
  EXPECT_EQ(1, on_stack.bounds[0].lLbound);
  EXPECT_EQ(0u, on_stack.cLocks);

  // Not arrays at all.
  ScopedVariant number;
  V_VT(number.get()) = VT_I4;
  EXPECT_EQ(E_INVALIDARG, ReDim(number.get(), 2, 0, 0));
  EXPECT_EQ(E_INVALIDARG, ReDim(nullptr, 2, 0, 0));
  SAFEARRAYBOUND three[3] = {{2, 0}, {3, 0}, {4, 0}};
  ScopedVariant cube;
  V_VT(cube.get()) = VT_ARRAY | VT_I4;
  V_ARRAY(cube.get()) = SafeArrayCreate(VT_I4, 3, three);
  EXPECT_EQ(E_INVALIDARG, ReDim(cube.get(), 1, 0, 0));
  EXPECT_EQ(E_INVALIDARG, ReDim(cube.get(), 2, 0, 0));
}

}  // namespace
}  // namespace korvel::test
