// Arrays at the toolbox boundary: finding the SAFEARRAY a VARIANT hands over, its shape as rows and
// columns, an owner for a new array, and a scope that holds SafeArrayAccessData's lock.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace korvel {

// The slot that holds the array pointer of a VARIANT that hands over an array: the array itself
// (VT_ARRAY), a reference to an array variable (VT_BYREF | VT_ARRAY, as VBA passes a typed array variable
// and VBScript a fixed-size one), or either of those inside a VARIANT held by reference. Work done through
// the slot reaches the caller's variable. Null when the VARIANT holds no array; the slot itself may hold a
// null array.
inline SAFEARRAY** ArraySlot(VARIANT* v) {
  if (v && V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  if (!v || !(V_VT(v) & VT_ARRAY)) return nullptr;
  return (V_VT(v) & VT_BYREF) ? V_ARRAYREF(v) : &V_ARRAY(v);
}

// The same for an array of `element`s only.
inline SAFEARRAY** ArraySlot(VARIANT* v, VARTYPE element) {
  SAFEARRAY** slot = ArraySlot(v);
  if (!slot) return nullptr;
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
  return (V_VT(v) & VT_TYPEMASK) == element ? slot : nullptr;
}

// A one- or two-dimensional array as macro code indexes it, a(row, column): the descriptor stores the
// right-most dimension first, so the first bound record gives the columns (the elements of a list) and the
// second the rows. The data are column-major: row r, column c is element c * height + r.
struct ArrayShape {
  unsigned dims = 0;
  std::size_t width = 0;   // columns, or the element count of a list
  LONG width_lower = 0;
  std::size_t height = 1;  // rows; 1 for a list
  LONG height_lower = 0;
  std::size_t count() const { return width * height; }
};

// Whether `cells` elements of `element_size` bytes can be what a descriptor holds. The platform counts an
// array's bytes in 32 bits, so no array holds more than 4 GiB, and bounds that claim more did not size its
// data: 65536 x 65537 cells wrap to 65536 in that arithmetic, and that is what Wine's SafeArrayCreate
// allocates for them. Such bounds are refused before any element is read, in both builds.
inline bool CellsFitOneArray(std::uint64_t cells, std::uint64_t element_size) {
  return element_size == 0 || cells <= std::uint64_t{0xFFFFFFFF} / element_size;
}

// The shape of a one- or two-dimensional array with elements of `element_size` bytes; false for a null
// array, no dimensions, more than two, an element size that does not match, or bounds whose cells no
// array can hold (see CellsFitOneArray).
inline bool ReadShape(const SAFEARRAY* array, std::size_t element_size, ArrayShape* shape) {
  if (!array || array->cDims < 1 || array->cDims > 2 || array->cbElements != element_size) return false;
  const std::uint64_t width = array->rgsabound[0].cElements;
  const std::uint64_t height = array->cDims == 2 ? array->rgsabound[1].cElements : 1;
  if (!CellsFitOneArray(width * height, element_size)) return false;
  shape->dims = array->cDims;
  shape->width = array->rgsabound[0].cElements;
  shape->width_lower = array->rgsabound[0].lLbound;
  if (array->cDims == 2) {
    shape->height = array->rgsabound[1].cElements;
    shape->height_lower = array->rgsabound[1].lLbound;
  }
  return true;
}

// Owns a SAFEARRAY until it is handed on.
class UniqueSafeArray {
 public:
  UniqueSafeArray() = default;
  explicit UniqueSafeArray(SAFEARRAY* owned) : a_(owned) {}
  UniqueSafeArray(const UniqueSafeArray&) = delete;
  UniqueSafeArray& operator=(const UniqueSafeArray&) = delete;
  ~UniqueSafeArray() { if (a_) SafeArrayDestroy(a_); }
  SAFEARRAY* get() const { return a_; }
  SAFEARRAY* release() { return std::exchange(a_, nullptr); }

 private:
  SAFEARRAY* a_ = nullptr;
};

// Holds SafeArrayAccessData's lock from construction until Unlock or the end of the scope.
class SafeArrayLock {
 public:
  explicit SafeArrayLock(SAFEARRAY* array) : array_(array) {
    status_ = SafeArrayAccessData(array, &data_);
    locked_ = SUCCEEDED(status_);
  }
  SafeArrayLock(const SafeArrayLock&) = delete;
  SafeArrayLock& operator=(const SafeArrayLock&) = delete;
  ~SafeArrayLock() { if (locked_) SafeArrayUnaccessData(array_); }

  // The code of SafeArrayAccessData.
  HRESULT status() const { return status_; }
  template <class T>
  T* data() const { return static_cast<T*>(data_); }
  // Releases the lock and returns SafeArrayUnaccessData's code.
  HRESULT Unlock() {
    if (!locked_) return status_;
    locked_ = false;
    return SafeArrayUnaccessData(array_);
  }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
  HRESULT status_;
  bool locked_;
};

}  // namespace korvel
