#include "common/array_reshape.h"

#include "common/safearray_access.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace korvel {
namespace {

// Holds SafeArrayAccessData until Release (whose code the caller returns) or the end of the scope.
// Writes `from` (H rows by W columns, column-major) into `to` as W rows by H columns. Square tiles keep
// both the strided reads and the sequential writes within the cache.
template <size_t kSize>
void TransposeBlocks(const unsigned char* from, unsigned char* to, size_t rows, size_t columns, size_t size) {
  const size_t s = kSize ? kSize : size;
  const size_t tile = 32;
  for (size_t r0 = 0; r0 < rows; r0 += tile) {
    const size_t r1 = std::min(rows, r0 + tile);
    for (size_t c0 = 0; c0 < columns; c0 += tile) {
      const size_t c1 = std::min(columns, c0 + tile);
      for (size_t r = r0; r < r1; ++r) {
        unsigned char* out = to + (r * columns + c0) * s;
        const unsigned char* in = from + (c0 * rows + r) * s;
        for (size_t c = c0; c < c1; ++c, out += s, in += rows * s) std::memcpy(out, in, kSize ? kSize : size);
      }
    }
  }
}

void TransposeData(const unsigned char* from, unsigned char* to, size_t rows, size_t columns, size_t size) {
  switch (size) {
    case 1: return TransposeBlocks<1>(from, to, rows, columns, size);
    case 2: return TransposeBlocks<2>(from, to, rows, columns, size);
    case 4: return TransposeBlocks<4>(from, to, rows, columns, size);
    case 8: return TransposeBlocks<8>(from, to, rows, columns, size);
    case 16: return TransposeBlocks<16>(from, to, rows, columns, size);
    case 24: return TransposeBlocks<24>(from, to, rows, columns, size);
    default: return TransposeBlocks<0>(from, to, rows, columns, size);
  }
}

// Flags the platform keeps for itself; SafeArrayCreateVector marks with them an array whose data share
// the descriptor's memory block.
constexpr USHORT kPlatformFlags = FADF_RESERVED;
// The caller holds such a descriptor itself (on its stack, in static memory, inside a structure): it can
// be rewritten but never freed or replaced.
constexpr USHORT kDescriptorNotOnHeap = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

// Data placed right behind the descriptor live in its block and go when it is freed. No separately
// allocated block can start that close: a heap block header lies between them.
bool DataInsideDescriptor(const SAFEARRAY* array) {
  auto data = reinterpret_cast<std::uintptr_t>(array->pvData);
  auto start = reinterpret_cast<std::uintptr_t>(array);
  return (array->fFeatures & kPlatformFlags) != 0 || (data >= start && data < start + sizeof(SAFEARRAY) + 8);
}

// A two-dimensional descriptor of the same element type as `old`: its type flags and what they carry
// (the interface identifier, the record description) go with it. Null when that cannot be made.
HRESULT NewTwoDimensionalDescriptor(SAFEARRAY* old, SAFEARRAY** made) {
  *made = nullptr;
  VARTYPE vt = VT_EMPTY;
  bool typed = SUCCEEDED(SafeArrayGetVartype(old, &vt));
  if (!typed && (old->fFeatures & (FADF_RECORD | FADF_HAVEIID))) return E_INVALIDARG;
  SAFEARRAY* fresh = nullptr;
  HRESULT hr = typed ? SafeArrayAllocDescriptorEx(vt, 2, &fresh) : SafeArrayAllocDescriptor(2, &fresh);
  if (FAILED(hr)) return hr;
  fresh->fFeatures = old->fFeatures;
  fresh->cbElements = old->cbElements;
  fresh->cLocks = 0;
  fresh->pvData = nullptr;
  if (old->fFeatures & FADF_HAVEIID) {
    GUID iid;
    hr = SafeArrayGetIID(old, &iid);
    if (SUCCEEDED(hr)) hr = SafeArraySetIID(fresh, iid);
  } else if (old->fFeatures & FADF_RECORD) {
    IRecordInfo* record = nullptr;
    hr = SafeArrayGetRecordInfo(old, &record);
    if (SUCCEEDED(hr)) {
      hr = SafeArraySetRecordInfo(fresh, record);
      record->Release();
    }
  }
  if (FAILED(hr)) {
    SafeArrayDestroyDescriptor(fresh);
    return hr;
  }
  *made = fresh;
  return S_OK;
}

HRESULT OneToTwo(SAFEARRAY** slot, LONG first_lbound, LONG row_lbound) {
  SAFEARRAY* old = *slot;
  if (old->fFeatures & kDescriptorNotOnHeap) return E_INVALIDARG;
  if (DataInsideDescriptor(old)) return E_INVALIDARG;
  if (old->cLocks) return DISP_E_ARRAYISLOCKED;
  // The new descriptor comes first: a failure then leaves the array as it was.
  SAFEARRAY* fresh = nullptr;
  HRESULT hr = NewTwoDimensionalDescriptor(old, &fresh);
  if (FAILED(hr)) return hr;
  fresh->rgsabound[1].cElements = old->rgsabound[0].cElements;
  fresh->rgsabound[1].lLbound = row_lbound;
  fresh->rgsabound[0].cElements = 1;
  fresh->rgsabound[0].lLbound = first_lbound;
  void* data = old->pvData;
  old->pvData = nullptr;
  hr = SafeArrayDestroyDescriptor(old);
  if (FAILED(hr)) {
    old->pvData = data;
    SafeArrayDestroyDescriptor(fresh);
    return hr;
  }
  fresh->pvData = data;
  *slot = fresh;
  return S_OK;
}

HRESULT TwoToOne(SAFEARRAY* array, LONG first_lbound) {
  ULONG rows = array->rgsabound[1].cElements, columns = array->rgsabound[0].cElements;
  if (rows > 1 && columns > 1) return E_INVALIDARG;
  SafeArrayLock lock(array);
  if (FAILED(lock.status())) return lock.status();
  // The element count, also when one dimension is empty: then the list is empty too.
  array->cDims = 1;
  array->rgsabound[0].cElements = rows * columns;
  array->rgsabound[0].lLbound = first_lbound;
  array->rgsabound[1] = SAFEARRAYBOUND{0, 0};
  return lock.Unlock();
}

}  // namespace

HRESULT TransposeInPlace(SAFEARRAY* array, TransposeStep* failed_step) {
  TransposeStep ignored;
  TransposeStep& step = failed_step ? *failed_step : ignored;
  step = TransposeStep::kShape;
  if (!array || array->cDims != 2) return E_INVALIDARG;
  const std::uint64_t rows = array->rgsabound[1].cElements, columns = array->rgsabound[0].cElements;
  const std::uint64_t size = array->cbElements;
  const std::uint64_t count = rows * columns;
  if (!CellsFitOneArray(count, size)) return E_INVALIDARG;
  const size_t bytes = static_cast<size_t>(count * size);
  step = TransposeStep::kAccess;
  SafeArrayLock lock(array);
  if (FAILED(lock.status())) return lock.status();
  // With a single row or column the layout reads the same either way: only the bounds change.
  if (rows > 1 && columns > 1 && bytes) {
    step = TransposeStep::kCopy;
    std::unique_ptr<unsigned char[]> copy(new (std::nothrow) unsigned char[bytes]);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy.get(), lock.data<unsigned char>(), bytes);
    TransposeData(copy.get(), lock.data<unsigned char>(), static_cast<size_t>(rows), static_cast<size_t>(columns), static_cast<size_t>(size));
  }
  std::swap(array->rgsabound[0], array->rgsabound[1]);
  step = TransposeStep::kUnaccess;
  const HRESULT hr = lock.Unlock();
  if (SUCCEEDED(hr)) step = TransposeStep::kNone;
  return hr;
}

HRESULT SwitchDimensions(SAFEARRAY** slot, LONG dims, LONG first_lbound, LONG row_lbound) {
  if (!slot || !*slot || (dims != 1 && dims != 2)) return E_INVALIDARG;
  SAFEARRAY* array = *slot;
  if (array->cDims != 1 && array->cDims != 2) return E_INVALIDARG;
  if (array->cDims == dims) return S_OK;
  return dims == 2 ? OneToTwo(slot, first_lbound, row_lbound) : TwoToOne(array, first_lbound);
}

}  // namespace korvel
