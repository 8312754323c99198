#include "common/array_reshape.h"

#include "common/safearray_access.h"

#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace korvel {
namespace {

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

// Tiles of the in-place transpose: a tile's column holds about this many bytes (and a tile about 32 of
// them), so that a pair of tiles stays within the second-level cache.
size_t TileFor(size_t size) { return std::max<size_t>(4, std::min<size_t>(64, 768 / size)); }

template <size_t kSize>
inline void CopyCell(unsigned char* to, const unsigned char* from, size_t size) { std::memcpy(to, from, kSize ? kSize : size); }

// Reads the tile of `rows` x `columns` elements at `at` (columns `stride` bytes apart) into `tile`, its
// columns one after another.
inline void LoadTile(unsigned char* tile, const unsigned char* at, size_t rows, size_t columns, size_t stride, size_t s) {
  for (size_t c = 0; c < columns; ++c) std::memcpy(tile + c * rows * s, at + c * stride, rows * s);
}

// Writes the transpose of `tile` (rows x columns, as LoadTile left it) as the columns x rows tile at `at`.
template <size_t kSize>
inline void StoreTransposed(unsigned char* at, const unsigned char* tile, size_t rows, size_t columns, size_t stride, size_t size) {
  const size_t s = kSize ? kSize : size;
  for (size_t r = 0; r < rows; ++r) {
    unsigned char* out = at + r * stride;
    const unsigned char* in = tile + r * s;
    for (size_t c = 0; c < columns; ++c, out += s, in += rows * s) CopyCell<kSize>(out, in, size);
  }
}

// Transposes the n x n square at `base` in place: each tile below the diagonal changes places with its
// mirror above it, and each tile on the diagonal is transposed where it is. Both tiles of a pair are read
// into `first` and `second` (a tile each) and written back from there: swapping their elements directly
// would read and write the strided side one element per cache line, and with a side of a power of two
// those lines fall into the same few cache sets and evict each other.
template <size_t kSize>
void TransposeSquare(unsigned char* base, size_t n, size_t size, unsigned char* first, unsigned char* second) {
  const size_t s = kSize ? kSize : size;
  const size_t tile = TileFor(s);
  const size_t stride = n * s;
  for (size_t c0 = 0; c0 < n; c0 += tile) {
    const size_t w = std::min(n - c0, tile);
    unsigned char* diagonal = base + (c0 * n + c0) * s;
    LoadTile(first, diagonal, w, w, stride, s);
    StoreTransposed<kSize>(diagonal, first, w, w, stride, size);
    for (size_t r0 = c0 + w; r0 < n; r0 += tile) {
      const size_t h = std::min(n - r0, tile);
      unsigned char* below = base + (c0 * n + r0) * s;  // rows r0.., columns c0..: h x w
      unsigned char* right = base + (r0 * n + c0) * s;  // rows c0.., columns r0..: w x h
      LoadTile(first, below, h, w, stride, s);
      LoadTile(second, right, w, h, stride, s);
      StoreTransposed<kSize>(below, second, w, h, stride, size);
      StoreTransposed<kSize>(right, first, h, w, stride, size);
    }
  }
}

template <size_t kSize>
struct CopyTransposed {
  static void Run(const unsigned char* from, unsigned char* to, size_t rows, size_t columns, size_t size) {
    TransposeBlocks<kSize>(from, to, rows, columns, size);
  }
};

template <size_t kSize>
struct SquaresInPlace {
  static void Run(unsigned char* data, size_t count, size_t n, unsigned char* tiles, size_t size) {
    const size_t tile_bytes = TileFor(size) * TileFor(size) * size;
    for (size_t i = 0; i < count; ++i) TransposeSquare<kSize>(data + i * n * n * size, n, size, tiles, tiles + tile_bytes);
  }
};

template <template <size_t> class Op, class... Args>
void BySize(size_t size, Args... args) {
  switch (size) {
    case 1: return Op<1>::Run(args..., size);
    case 2: return Op<2>::Run(args..., size);
    case 4: return Op<4>::Run(args..., size);
    case 8: return Op<8>::Run(args..., size);
    case 16: return Op<16>::Run(args..., size);
    case 24: return Op<24>::Run(args..., size);
    default: return Op<0>::Run(args..., size);
  }
}

// One bit per chunk of a permutation: set once the chunk is in its place.
class VisitedBits {
 public:
  bool Allocate(size_t count) {
    words_ = (count + 63) / 64;
    bits_.reset(new (std::nothrow) std::uint64_t[words_ ? words_ : 1]);
    return bits_ != nullptr;
  }
  void Clear() { std::fill(bits_.get(), bits_.get() + words_, std::uint64_t{0}); }
  bool Test(size_t i) const { return (bits_[i >> 6] >> (i & 63)) & 1; }
  void Set(size_t i) { bits_[i >> 6] |= std::uint64_t{1} << (i & 63); }

 private:
  std::unique_ptr<std::uint64_t[]> bits_;
  size_t words_ = 0;
};

// Transposes, in each of `batches` consecutive groups, the matrix of `outer` x `inner` chunks (`inner`
// consecutive chunks per outer index) into `inner` x `outer`, by following the cycles of the permutation:
// every chunk moves once, and the first chunk of each cycle waits in `spare`.
void TransposeChunks(unsigned char* data, size_t batches, size_t outer, size_t inner, size_t chunk,
                     unsigned char* spare, VisitedBits& visited) {
  if (outer < 2 || inner < 2) return;
  const size_t count = outer * inner;
  for (size_t batch = 0; batch < batches; ++batch) {
    unsigned char* base = data + batch * count * chunk;
    visited.Clear();
    // The first and the last chunk stay where they are.
    for (size_t start = 1; start + 1 < count; ++start) {
      if (visited.Test(start)) continue;
      std::memcpy(spare, base + start * chunk, chunk);
      size_t to = start;
      for (;;) {
        visited.Set(to);
        // Place `to` of the result, (to / outer, to % outer), takes chunk (to % outer, to / outer).
        const size_t from = (to % outer) * inner + to / outer;
        if (from == start) break;
        std::memcpy(base + to * chunk, base + from * chunk, chunk);
        to = from;
      }
      std::memcpy(base + to * chunk, spare, chunk);
    }
  }
}

std::uint64_t GreatestCommonDivisor(std::uint64_t a, std::uint64_t b) {
  while (b) a = std::exchange(b, a % b);
  return a;
}

// Below this many bytes per chunk (a column of one square block), following the cycles reaches a new
// cache line for nearly every element, and the working copy is the quicker road.
constexpr std::uint64_t kMinInPlaceChunk = 256;

std::uint64_t TwoTilesBytes(std::uint64_t size) {
  const std::uint64_t side = TileFor(static_cast<size_t>(size));
  return 2 * side * side * size;
}

// Working memory of the in-place road: two tiles, and for other shapes than a square one chunk and one bit
// per chunk of the larger regrouping.
std::uint64_t InPlaceBytes(std::uint64_t rows, std::uint64_t columns, std::uint64_t size) {
  if (rows == columns) return TwoTilesBytes(size);
  const std::uint64_t g = GreatestCommonDivisor(rows, columns);
  return TwoTilesBytes(size) + g * size + (rows * columns / g + 63) / 64 * 8;
}

// The in-place road where it is the quicker one (chunks of whole cache lines) and takes less memory than
// the working copy (not so for small arrays); the copy otherwise.
bool InPlaceIsBetter(std::uint64_t rows, std::uint64_t columns, std::uint64_t size) {
  const bool quicker = rows == columns || GreatestCommonDivisor(rows, columns) * size >= kMinInPlaceChunk;
  return quicker && InPlaceBytes(rows, columns, size) < rows * columns * size;
}

// Rows x columns (column-major) become columns x rows through square blocks whose side g is the greatest
// common divisor: the array is a x b blocks (a = rows / g, b = columns / g) and a chunk is one column of a
// block, g elements in a row in memory. The chunks are first regrouped so that each block lies in one
// piece, each block is transposed in place, and the chunks of each block row are then put in the order of
// the result. A regrouping is empty when a or b is 1; a square array is a single block.
HRESULT TransposeThroughBlocks(unsigned char* data, size_t rows, size_t columns, size_t size) {
  const size_t g = static_cast<size_t>(GreatestCommonDivisor(rows, columns));
  const size_t a = rows / g, b = columns / g;
  const size_t chunk = g * size;
  std::unique_ptr<unsigned char[]> tiles(new (std::nothrow) unsigned char[static_cast<size_t>(TwoTilesBytes(size))]);
  if (!tiles) return E_OUTOFMEMORY;
  std::unique_ptr<unsigned char[]> spare;
  VisitedBits visited;
  if (a > 1 || b > 1) {
    spare.reset(new (std::nothrow) unsigned char[chunk]);
    if (!spare || !visited.Allocate(std::max(columns * a, b * g))) return E_OUTOFMEMORY;
  }
  // Chunk (column c, block row i) lies at c * a + i; block (i, j) wants its g chunks from (i * b + j) * g on.
  TransposeChunks(data, 1, columns, a, chunk, spare.get(), visited);
  BySize<SquaresInPlace>(size, data, a * b, g, tiles.get());
  // Within block row i, the chunk of block j and row r' of the result goes to r' * b + j.
  TransposeChunks(data, a, b, g, chunk, spare.get(), visited);
  return S_OK;
}

// Transposes the data block in place where its shape allows it without much cost, else through a working
// copy of it (the quicker road for narrow blocks); when that copy cannot be had, the in-place road, which
// needs only a chunk and a bit per chunk, does it all the same.
HRESULT MoveTransposed(unsigned char* data, size_t rows, size_t columns, size_t size) {
  if (InPlaceIsBetter(rows, columns, size)) return TransposeThroughBlocks(data, rows, columns, size);
  const size_t bytes = rows * columns * size;
  std::unique_ptr<unsigned char[]> copy(new (std::nothrow) unsigned char[bytes]);
  if (!copy) return TransposeThroughBlocks(data, rows, columns, size);
  std::memcpy(copy.get(), data, bytes);
  BySize<CopyTransposed>(size, static_cast<const unsigned char*>(copy.get()), data, rows, columns);
  return S_OK;
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
    const HRESULT moved = MoveTransposed(lock.data<unsigned char>(), static_cast<size_t>(rows),
                                         static_cast<size_t>(columns), static_cast<size_t>(size));
    if (FAILED(moved)) return moved;
  }
  std::swap(array->rgsabound[0], array->rgsabound[1]);
  step = TransposeStep::kUnaccess;
  const HRESULT hr = lock.Unlock();
  if (SUCCEEDED(hr)) step = TransposeStep::kNone;
  return hr;
}

HRESULT TransposeDataInPlace(unsigned char* data, size_t rows, size_t columns, size_t size) {
  if (rows < 2 || columns < 2 || !size) return S_OK;
  return TransposeThroughBlocks(data, rows, columns, size);
}

std::uint64_t TransposeWorkingBytes(std::uint64_t rows, std::uint64_t columns, std::uint64_t size) {
  if (rows < 2 || columns < 2 || !size) return 0;
  return InPlaceIsBetter(rows, columns, size) ? InPlaceBytes(rows, columns, size) : rows * columns * size;
}

HRESULT SwitchDimensions(SAFEARRAY** slot, LONG dims, LONG first_lbound, LONG row_lbound) {
  if (!slot || !*slot || (dims != 1 && dims != 2)) return E_INVALIDARG;
  SAFEARRAY* array = *slot;
  if (array->cDims != 1 && array->cDims != 2) return E_INVALIDARG;
  if (array->cDims == dims) return S_OK;
  return dims == 2 ? OneToTwo(slot, first_lbound, row_lbound) : TwoToOne(array, first_lbound);
}

}  // namespace korvel
