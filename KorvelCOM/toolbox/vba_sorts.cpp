// Array sorts of the toolbox: ArraySortS over arrays of strings, ArraySortV over arrays of VARIANTs. Both
// work on the array in place through the parallel sort; elements move as plain bytes, so every string,
// object and array an element holds stays owned by exactly one slot.
#include "toolbox/vba.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "common/com_owners.h"
#include "toolbox/number_key_sort.h"
#include "toolbox/parallel_sort.h"
#include "common/safearray_access.h"
#include "toolbox/sort_comparators.h"

namespace korvel {
namespace {

bool Flag(VARIANT_BOOL b) { return b != VARIANT_FALSE; }

// A later key only after an earlier one, none negative.
bool KeysWellFormed(LONG key_1, LONG key_2, LONG key_3) {
  if (key_1 < 0 || key_2 < 0 || key_3 < 0) return false;
  return !(key_1 == 0 && key_2 > 0) && !(key_2 == 0 && key_3 > 0);
}

std::size_t LargestKey(LONG key_1, LONG key_2, LONG key_3) {
  return static_cast<std::size_t>(std::max({key_1, key_2, key_3}));
}

// The keys in use, as 0-based positions: the first position when none is given.
int KeyPositions(LONG key_1, LONG key_2, LONG key_3, std::size_t positions[3]) {
  if (key_2 == 0) {
    positions[0] = key_1 ? key_1 - 1 : 0;
    return 1;
  }
  positions[0] = key_1 - 1;
  positions[1] = key_2 - 1;
  if (key_3 == 0) return 2;
  positions[2] = key_3 - 1;
  return 3;
}

// Index values are lower bound + position and must fit a 32-bit integer.
bool IndexesFit(LONG lower, std::size_t count) {
  return count == 0 || static_cast<LONGLONG>(lower) + static_cast<LONGLONG>(count - 1) <= LONG_MAX;
}

template <class T>
std::unique_ptr<T[]> CopyOf(const T* data, std::size_t count) {
  std::unique_ptr<T[]> copy(new T[count ? count : 1]);
  std::memcpy(static_cast<void*>(copy.get()), data, count * sizeof(T));
  return copy;
}

// Row i of the column-major block takes the row that was at order[i]; whole rows move.
template <class T>
void MoveRows(T* data, const ArrayShape& shape, const std::vector<std::uint32_t>& order) {
  std::unique_ptr<T[]> copy = CopyOf(data, shape.count());
  for (std::size_t c = 0; c < shape.width; ++c) {
    T* column = data + c * shape.height;
    const T* old_column = copy.get() + c * shape.height;
    for (std::size_t i = 0; i < shape.height; ++i) column[i] = old_column[order[i]];
  }
}

// Column j takes the column that was at order[j].
template <class T>
void MoveColumns(T* data, const ArrayShape& shape, const std::vector<std::uint32_t>& order) {
  std::unique_ptr<T[]> copy = CopyOf(data, shape.count());
  for (std::size_t j = 0; j < shape.width; ++j)
    std::memcpy(static_cast<void*>(data + j * shape.height), copy.get() + order[j] * shape.height,
                shape.height * sizeof(T));
}

// Where an index array goes: a VARIANT that is cleared and given it, or the caller's own typed array
// variable, whose old array it replaces; neither when the caller gave no place.
struct IndexTarget {
  VARIANT* variant = nullptr;
  SAFEARRAY** array_slot = nullptr;
};

// Array variables that cannot be given another array: their descriptor is not the caller's to replace.
constexpr USHORT kNotReplaceable = FADF_FIXEDSIZE | FADF_STATIC | FADF_AUTO | FADF_EMBEDDED;

// The place `out` offers for a one-dimensional array of 32-bit integers. VBA hands a `Dim idx() As Long`
// variable over as VT_BYREF | VT_ARRAY | VT_I4: clearing that VARIANT would change nothing of the
// variable, and an array written into it would reach no one. Any other reference but one to a VARIANT
// cannot take the array, nor can a fixed-size or locked one; E_INVALIDARG for those, before any sorting.
HRESULT IndexTargetOf(VARIANT* out, IndexTarget* target) {
  if (!out) return S_OK;
  if (V_VT(out) == (VT_BYREF | VT_VARIANT)) {
    out = V_VARIANTREF(out);
    if (!out) return E_INVALIDARG;
  }
  if (!(V_VT(out) & VT_BYREF)) {
    target->variant = out;
    return S_OK;
  }
  if (V_VT(out) != (VT_BYREF | VT_ARRAY | VT_I4) || !V_ARRAYREF(out)) return E_INVALIDARG;
  const SAFEARRAY* old = *V_ARRAYREF(out);
  if (old && ((old->fFeatures & kNotReplaceable) || old->cLocks != 0)) return E_INVALIDARG;
  target->array_slot = V_ARRAYREF(out);
  return S_OK;
}

// The index array over a sorted dimension: element lower + i holds lower + the position of the item now
// ranked i-th. It replaces what the target held; without a target it is discarded. A failure frees it.
HRESULT StoreIndexArray(const std::vector<std::uint32_t>& order, LONG lower, const IndexTarget& target) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(order.size()), lower};
  UniqueSafeArray index(SafeArrayCreate(VT_I4, 1, &bound));
  if (!index.get()) return E_OUTOFMEMORY;
  SafeArrayLock lock(index.get());
  if (FAILED(lock.status())) return lock.status();
  LONG* values = lock.data<LONG>();
  for (std::size_t i = 0; i < order.size(); ++i) values[i] = static_cast<LONG>(lower + static_cast<LONGLONG>(order[i]));
  HRESULT hr = lock.Unlock();
  if (FAILED(hr)) return hr;
  if (target.array_slot) {
    if (*target.array_slot) {
      hr = SafeArrayDestroy(*target.array_slot);
      if (FAILED(hr)) return hr;
    }
    *target.array_slot = index.release();
  } else if (target.variant) {
    hr = VariantClear(target.variant);
    if (FAILED(hr)) return hr;
    V_VT(target.variant) = VT_ARRAY | VT_I4;
    V_ARRAY(target.variant) = index.release();
  }
  return S_OK;
}

std::vector<std::uint32_t> PositionsOf(const std::vector<KeyedPosition>& items) {
  std::vector<std::uint32_t> order(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) order[i] = items[i].position;
  return order;
}

void SortStrings(BSTR* data, std::size_t count, bool descending) {
  if (descending) ParallelSort(data, count, [](BSTR a, BSTR b) { return BstrGreater(a, b); });
  else ParallelSort(data, count, [](BSTR a, BSTR b) { return BstrLess(a, b); });
}

// Keeps the first of each run of equivalent strings of a sorted list in its leading slots; frees each
// dropped string once and empties the slots past the new end, so that shrinking the array (which frees what
// those slots hold) frees nothing again. Returns the number kept.
std::size_t DropDuplicates(BSTR* data, std::size_t count) {
  if (count == 0) return 0;
  std::size_t kept = 1;
  for (std::size_t i = 1; i < count; ++i) {
    if (BstrEquivalent(data[kept - 1], data[i])) {
      UniqueBstr dropped(data[i]);
      continue;
    }
    data[kept++] = data[i];
  }
  for (std::size_t i = kept; i < count; ++i) data[i] = nullptr;
  return kept;
}

// Orientations 0 and 1: rows ranked by key columns, or columns by key rows.
HRESULT SortByKeys(BSTR* data, const ArrayShape& shape, bool by_columns, LONG key_1, LONG key_2, LONG key_3,
                   bool descending, bool index_out, const IndexTarget& index_target) {
  std::size_t keys[3];
  int key_count = KeyPositions(key_1, key_2, key_3, keys);
  std::size_t items_count = by_columns ? shape.width : shape.height;
  std::vector<KeyedPosition> items(items_count);
  for (std::size_t p = 0; p < items_count; ++p) {
    items[p].position = static_cast<std::uint32_t>(p);
    for (int k = 0; k < key_count; ++k)
      items[p].keys[k] = by_columns ? data[p * shape.height + keys[k]] : data[keys[k] * shape.height + p];
  }
  ParallelSort(items.data(), items.size(), KeyedPositionOrder{key_count, descending});
  std::vector<std::uint32_t> order = PositionsOf(items);
  if (index_out) return StoreIndexArray(order, by_columns ? shape.width_lower : shape.height_lower, index_target);
  if (by_columns) MoveColumns(data, shape, order);
  else MoveRows(data, shape, order);
  return S_OK;
}

}  // namespace

STDMETHODIMP CVBA::ArraySortS(VARIANT* array_in_out, VARIANT_BOOL sort_order, LONG key_1, LONG key_2, LONG key_3,
                              LONG sort_orientation, VARIANT_BOOL delete_duplicates, VARIANT_BOOL out_array_index,
                              VARIANT* index_array_out) {
  return Guarded([&]() -> HRESULT {
    SAFEARRAY** slot = ArraySlot(array_in_out, VT_BSTR);
    ArrayShape shape;
    if (!slot || !ReadShape(*slot, sizeof(BSTR), &shape)) return E_INVALIDARG;
    SAFEARRAY* array = *slot;
    const bool table = shape.dims == 2, descending = Flag(sort_order), index_out = Flag(out_array_index);
    const bool drop_duplicates = Flag(delete_duplicates) && !index_out;
    if (sort_orientation < 0 || sort_orientation > 3) return E_INVALIDARG;
    if (sort_orientation >= 2 && index_out) return E_INVALIDARG;
    if (table && Flag(delete_duplicates)) return E_INVALIDARG;
    if (!KeysWellFormed(key_1, key_2, key_3)) return E_INVALIDARG;
    std::size_t largest = LargestKey(key_1, key_2, key_3);
    if (sort_orientation == 0 && largest > shape.width) return E_INVALIDARG;
    if (sort_orientation == 1 && largest > (table ? shape.height : 0)) return E_INVALIDARG;
    // A table without rows or columns has no key cell to read.
    if (table && shape.count() == 0) return E_INVALIDARG;
    // Dropping duplicates shrinks the array: an array that cannot be resized is refused before the sort.
    if (drop_duplicates && ((array->fFeatures & FADF_FIXEDSIZE) || array->cLocks != 0)) return E_INVALIDARG;
    LONG index_lower = table && sort_orientation == 0 ? shape.height_lower : shape.width_lower;
    IndexTarget index_target;
    if (index_out) {
      if (!IndexesFit(index_lower, table && sort_orientation == 0 ? shape.height : shape.width)) return E_INVALIDARG;
      if (index_array_out && ArraySlot(index_array_out, VT_BSTR) == slot) return E_INVALIDARG;
      if (FAILED(IndexTargetOf(index_array_out, &index_target))) return E_INVALIDARG;
    }

    SafeArrayLock lock(array);
    if (FAILED(lock.status())) return lock.status();
    BSTR* data = lock.data<BSTR>();
    if (!data && shape.count() != 0) return E_INVALIDARG;

    HRESULT hr = S_OK;
    std::size_t kept = shape.count();
    if (!table && index_out) {
      std::vector<KeyedPosition> items(shape.width);
      for (std::size_t i = 0; i < shape.width; ++i) items[i] = {{data[i]}, static_cast<std::uint32_t>(i)};
      ParallelSort(items.data(), items.size(), KeyedPositionOrder{1, descending});
      hr = StoreIndexArray(PositionsOf(items), shape.width_lower, index_target);
    } else if (!table || sort_orientation == 2) {
      SortStrings(data, shape.count(), descending);
      if (drop_duplicates) kept = DropDuplicates(data, shape.count());
    } else if (sort_orientation == 3) {
      std::unique_ptr<BSTR[]> work = CopyOf(data, shape.count());
      SortStrings(work.get(), shape.count(), descending);
      for (std::size_t t = 0; t < shape.count(); ++t)
        data[(t % shape.width) * shape.height + t / shape.width] = work[t];
    } else {
      hr = SortByKeys(data, shape, sort_orientation == 1, key_1, key_2, key_3, descending, index_out, index_target);
    }
    HRESULT unlocked = lock.Unlock();
    if (FAILED(hr)) return hr;
    if (FAILED(unlocked)) return unlocked;
    if (kept != shape.count()) {
      SAFEARRAYBOUND bound{static_cast<ULONG>(kept), shape.width_lower};
      return SafeArrayRedim(array, &bound);
    }
    return S_OK;
  });
}

STDMETHODIMP CVBA::ArraySortV(VARIANT* array_in_out, LONG key_1, VARIANT_BOOL sort_order1, LONG key_2,
                              VARIANT_BOOL sort_order2, LONG key_3, VARIANT_BOOL sort_order3) {
  return Guarded([&]() -> HRESULT {
    SAFEARRAY** slot = ArraySlot(array_in_out, VT_VARIANT);
    ArrayShape shape;
    if (!slot || !ReadShape(*slot, sizeof(VARIANT), &shape)) return E_INVALIDARG;
    if (!KeysWellFormed(key_1, key_2, key_3)) return E_INVALIDARG;
    if (LargestKey(key_1, key_2, key_3) > shape.width) return E_INVALIDARG;
    const bool table = shape.dims == 2;
    // A table without rows or columns has no key cell to read.
    if (table && shape.count() == 0) return E_INVALIDARG;

    SafeArrayLock lock(*slot);
    if (FAILED(lock.status())) return lock.status();
    VARIANT* data = lock.data<VARIANT>();
    if (!data && shape.count() != 0) return E_INVALIDARG;

    // Key columns of numbers alone take a key sort with the same result; every other array the comparators.
    if (!table) {
      const std::size_t first_column[3] = {0, 0, 0};
      const bool direction[3] = {Flag(sort_order1), false, false};
      if (SortRowsByNumberKeys(data, shape.width, 1, 1, first_column, direction)) return lock.Unlock();
      if (Flag(sort_order1)) ParallelSort(data, shape.width, [](const VARIANT& a, const VARIANT& b) { return VariantGreater(a, b); });
      else ParallelSort(data, shape.width, [](const VARIANT& a, const VARIANT& b) { return VariantLess(a, b); });
    } else {
      TableRowOrder order{data, shape.height, 0, {}, {Flag(sort_order1), Flag(sort_order2), Flag(sort_order3)}};
      order.key_count = KeyPositions(key_1, key_2, key_3, order.columns);
      if (SortRowsByNumberKeys(data, shape.height, shape.width, order.key_count, order.columns, order.descending))
        return lock.Unlock();
      std::vector<std::uint32_t> rows(shape.height);
      for (std::size_t r = 0; r < rows.size(); ++r) rows[r] = static_cast<std::uint32_t>(r);
      ParallelSort(rows.data(), rows.size(), order);
      MoveRows(data, shape, rows);
    }
    return lock.Unlock();
  });
}

}  // namespace korvel
