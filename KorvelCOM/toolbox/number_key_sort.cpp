#include "toolbox/number_key_sort.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <cmath>
#include <new>
#include <type_traits>
#include <vector>

#include "toolbox/parallel_sort.h"

namespace korvel {
namespace {

enum class KeyKind { kNone, kDouble, kInteger, kCurrency };

constexpr std::int64_t kExactInDouble = std::int64_t{1} << 53;
constexpr std::int64_t kCurrencyUnitLimit = std::int64_t{1} << 49;
constexpr std::int64_t kCurrencyScale = 10000;
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

// The key sort spreads over the sort's threads only for about kKeyWorkShare times as many rows as the
// comparator sort does (above 2 million with the usual limit): starting the threads costs about 10 ms under
// Wine here and each of its dozen phases about 1 ms on them, while the whole key sort of 1,000,000 rows takes
// about 35 ms on one thread, and more than that on eight.
constexpr std::size_t kKeyWorkShare = 1024;

// Cells of each key column read serially before any thread starts: a column of strings or mixed values is
// then refused at the cost of a few cells, and the comparator sort starts as soon as it would have.
constexpr std::size_t kFirstLook = 256;

// The integer value of a cell of an integer type (a Boolean is -1 or 0 to VarCmp, or whatever short it holds).
bool IntegerOf(const VARIANT& v, std::int64_t& out) {
  switch (V_VT(&v)) {
    case VT_UI1: out = V_UI1(&v); return true;
    case VT_I2: out = V_I2(&v); return true;
    case VT_I4: out = V_I4(&v); return true;
    case VT_BOOL: out = V_BOOL(&v); return true;
    case VT_I8: out = V_I8(&v); return true;
    default: return false;
  }
}

// A float exactly: the store through a volatile rounds even where the 32-bit build keeps doubles in x87
// registers with excess precision.
bool FloatExact(double d) {
  volatile float f = static_cast<float>(d);
  return static_cast<double>(f) == d;
}

// The value of every cell starts after its type word and three reserved words, in both builds.
constexpr std::size_t kValueOffset = 8;

// Whether a cell is of `type` (set by the first cell) and holds nothing but its value: every byte other
// than the type word and the value is zero, and a floating value is not -0. Such cells are equal exactly
// when their keys are, so a list of them can be written back from its sorted keys.
bool PlainCell(const VARIANT& v, VARTYPE& type) {
  const VARTYPE vt = V_VT(&v);
  if (type == VT_EMPTY) type = vt;
  else if (vt != type) return false;
  std::size_t value_size;
  switch (vt) {
    case VT_UI1: value_size = 1; break;
    case VT_I2:
    case VT_BOOL: value_size = 2; break;
    case VT_I4: value_size = 4; break;
    case VT_R4:
      if (V_R4(&v) == 0 && std::signbit(V_R4(&v))) return false;
      value_size = 4;
      break;
    case VT_R8:
    case VT_DATE:
      if (V_R8(&v) == 0 && std::signbit(V_R8(&v))) return false;
      value_size = 8;
      break;
    case VT_I8:
    case VT_CY: value_size = 8; break;
    default: return false;
  }
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&v);
  for (std::size_t k = sizeof(VARTYPE); k < kValueOffset; ++k)
    if (bytes[k]) return false;
  for (std::size_t k = kValueOffset + value_size; k < sizeof(VARIANT); ++k)
    if (bytes[k]) return false;
  return true;
}

// What a scan learns of the cells of one key column.
struct Census {
  bool as_double = true;    // every cell ranks by its value as a double
  bool as_integer = true;   // every cell is of an integer type
  bool as_currency = true;  // every cell is currency or an integer, all within the currency limit
  bool single = false;      // some cell is a Single
  bool float_exact = true;  // every value read as a double is a float exactly
  bool currency = false;    // some cell is currency
  bool plain = true;        // every cell is a plain cell of `type`
  VARTYPE type = VT_EMPTY;  // the type of the cells while they share one; VT_EMPTY before the first

  bool Hopeless() const { return !as_double && !as_integer && !as_currency; }

  void Add(const VARIANT& v) {
    std::int64_t i;
    double d;
    if (plain) plain = PlainCell(v, type);
    if (IntegerOf(v, i)) {
      if (i > kExactInDouble || i < -kExactInDouble) {
        as_double = false;
      } else if (float_exact && !FloatExact(static_cast<double>(i))) {
        float_exact = false;
      }
      if (i > kCurrencyUnitLimit / kCurrencyScale || i < -kCurrencyUnitLimit / kCurrencyScale) as_currency = false;
      return;
    }
    as_integer = false;
    switch (V_VT(&v)) {
      case VT_CY: {
        std::int64_t units = V_CY(&v).int64;
        as_double = false;
        currency = true;
        if (units > kCurrencyUnitLimit || units < -kCurrencyUnitLimit) as_currency = false;
        return;
      }
      case VT_R8: d = V_R8(&v); break;
      case VT_DATE: d = V_DATE(&v); break;
      case VT_R4:
        d = V_R4(&v);
        single = true;
        break;
      default:
        as_double = as_currency = false;
        return;
    }
    as_currency = false;
    if (d != d) as_double = false;
    else if (float_exact && !FloatExact(d)) float_exact = false;
  }

  void Merge(const Census& o) {
    as_double = as_double && o.as_double;
    as_integer = as_integer && o.as_integer;
    as_currency = as_currency && o.as_currency;
    single = single || o.single;
    float_exact = float_exact && o.float_exact;
    currency = currency || o.currency;
    plain = plain && o.plain;
    if (type == VT_EMPTY) type = o.type;
    else if (o.type != VT_EMPTY && o.type != type) plain = false;
  }

  KeyKind Kind() const {
    if (as_double && (!single || float_exact)) return KeyKind::kDouble;
    if (as_currency && currency) return KeyKind::kCurrency;
    if (as_integer) return KeyKind::kInteger;
    return KeyKind::kNone;
  }
};

// Unsigned order of the bits equals the numeric order of non-NaN doubles; -0 and +0 become one key.
std::uint64_t DoubleKey(double d) {
  if (d == 0) d = 0.0;
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return (bits & kSignBit) ? ~bits : bits | kSignBit;
}

std::uint64_t IntegerKey(std::int64_t i) { return static_cast<std::uint64_t>(i) ^ kSignBit; }

// The key of a cell that the census of its column accepted for `kind`.
std::uint64_t KeyOf(const VARIANT& v, KeyKind kind) {
  std::int64_t i = 0;
  switch (kind) {
    case KeyKind::kInteger:
      IntegerOf(v, i);
      return IntegerKey(i);
    case KeyKind::kCurrency:
      if (V_VT(&v) == VT_CY) return IntegerKey(V_CY(&v).int64);
      IntegerOf(v, i);
      return IntegerKey(i * kCurrencyScale);
    default:
      break;
  }
  switch (V_VT(&v)) {
    case VT_R8: return DoubleKey(V_R8(&v));
    case VT_DATE: return DoubleKey(V_DATE(&v));
    case VT_R4: return DoubleKey(V_R4(&v));
    default:
      IntegerOf(v, i);
      return DoubleKey(static_cast<double>(i));
  }
}

// 12 bytes: the two pair buffers of a sort take what the comparator sort's VARIANT work buffer takes in the
// 64-bit build.
#pragma pack(push, 4)
struct KeyedRow {
  std::uint64_t key;
  std::uint32_t row;
};
#pragma pack(pop)

// Six passes of 11 bits: fewer passes over the pairs than bytes would take, with bucket counts that stay
// in the cache.
constexpr int kDigitBits = 11;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
constexpr int kDigits = (64 + kDigitBits - 1) / kDigitBits;
using Counts = std::array<std::size_t, kBuckets>;

std::size_t SliceBegin(std::size_t n, unsigned t, unsigned threads) { return n * t / threads; }

// Hands a phase to the team through a wrapper of one reference, which the standard function type keeps
// without allocating: once the cells are being rewritten, no phase may fail to start.
template <class Task>
void RunTeam(SortTeam& team, const Task& task) {
  team.Run([&task](unsigned t) { task(t); });
}

using DigitCounts = std::array<Counts, kDigits>;

void CountDigits(std::uint64_t key, DigitCounts& counts) {
  for (int d = 0; d < kDigits; ++d) ++counts[d][(key >> (d * kDigitBits)) & (kBuckets - 1)];
}

// A stable least-significant-digit radix sort of pairs[0, n) by key, through `spare`; the result ends in
// `pairs` (the two pointers may have been swapped), or, when `rows` is given, only its row numbers end in
// `rows`. `all` holds each slice's counts of every digit; digits that every key shares are skipped.
std::uint64_t KeyOfItem(const KeyedRow& pair) { return pair.key; }
std::uint64_t KeyOfItem(std::uint64_t key) { return key; }

template <class Item>
void RadixSort(Item*& pairs, Item*& spare, std::size_t n, const std::vector<DigitCounts>& all,
               std::vector<Counts>& offsets, std::uint32_t* rows, SortTeam& team) {
  const unsigned threads = team.size();
  // Allocates nothing: a list of plain cells is already being overwritten.
  std::array<int, kDigits> digit_list;
  std::size_t digit_count = 0;
  for (int d = 0; d < kDigits; ++d) {
    bool shared = false;
    for (std::size_t b = 0; b < kBuckets && !shared; ++b) {
      std::size_t total = 0;
      for (unsigned t = 0; t < threads; ++t) total += all[t][d][b];
      shared = total == n;
    }
    if (!shared) digit_list[digit_count++] = d;
  }
  if constexpr (std::is_same<Item, KeyedRow>::value) {
    if (digit_count == 0 && rows) {
      RunTeam(team, [&](unsigned t) {
        for (std::size_t i = SliceBegin(n, t, threads), end = SliceBegin(n, t + 1, threads); i < end; ++i)
          rows[i] = pairs[i].row;
      });
    }
  }
  bool first_pass = true;
  for (std::size_t p = 0; p < digit_count; ++p) {
    const int d = digit_list[p];
    const int shift = d * kDigitBits;
    const bool last_pass = p + 1 == digit_count;
    // Each slice's share of each bucket, for this pass's order of the pairs: the counts made with the keys
    // serve while the pairs are still in that order.
    if (first_pass) {
      for (unsigned t = 0; t < threads; ++t) offsets[t] = all[t][d];
    } else {
      RunTeam(team, [&](unsigned t) {
        Counts& mine = offsets[t];
        mine.fill(0);
        for (std::size_t i = SliceBegin(n, t, threads), end = SliceBegin(n, t + 1, threads); i < end; ++i)
          ++mine[(KeyOfItem(pairs[i]) >> shift) & (kBuckets - 1)];
      });
    }
    first_pass = false;
    std::size_t running = 0;
    for (std::size_t b = 0; b < kBuckets; ++b) {
      for (unsigned t = 0; t < threads; ++t) {
        std::size_t count = offsets[t][b];
        offsets[t][b] = running;
        running += count;
      }
    }
    const Item* src = pairs;
    Item* dst = spare;
    RunTeam(team, [&](unsigned t) {
      Counts& next = offsets[t];
      const std::size_t begin = SliceBegin(n, t, threads), end = SliceBegin(n, t + 1, threads);
      if constexpr (std::is_same<Item, KeyedRow>::value) {
        if (last_pass && rows) {
          for (std::size_t i = begin; i < end; ++i) rows[next[(src[i].key >> shift) & (kBuckets - 1)]++] = src[i].row;
          return;
        }
      }
      for (std::size_t i = begin; i < end; ++i) dst[next[(KeyOfItem(src[i]) >> shift) & (kBuckets - 1)]++] = src[i];
    });
    if (!(last_pass && rows)) std::swap(pairs, spare);
  }
}

struct KeyColumn {
  const VARIANT* cells;
  KeyKind kind;
  bool descending;
};

// The kinds of the key columns, or false when some column has none.
bool ReadKinds(const VARIANT* cells, std::size_t height, int key_count, const std::size_t columns[3],
               SortTeam* team, KeyKind kinds[3], VARTYPE* plain_type) {
  for (int k = 0; k < key_count; ++k) {
    const VARIANT* column = cells + columns[k] * height;
    Census census;
    if (!team) {
      for (std::size_t r = 0; r < height && !census.Hopeless(); ++r) census.Add(column[r]);
    } else {
      const unsigned threads = team->size();
      std::vector<Census> parts(threads);
      std::atomic<bool> hopeless{false};
      RunTeam(*team, [&](unsigned t) {
        Census& mine = parts[t];
        for (std::size_t r = SliceBegin(height, t, threads), end = SliceBegin(height, t + 1, threads); r < end; ++r) {
          mine.Add(column[r]);
          if ((r & 1023) == 0 && (mine.Hopeless() || hopeless.load(std::memory_order_relaxed))) break;
        }
        if (mine.Hopeless()) hopeless.store(true, std::memory_order_relaxed);
      });
      for (const Census& part : parts) census.Merge(part);
    }
    kinds[k] = census.Kind();
    if (kinds[k] == KeyKind::kNone) return false;
    if (k == 0) *plain_type = census.plain ? census.type : VT_EMPTY;
  }
  return true;
}

bool FirstLookPasses(const VARIANT* cells, std::size_t height, int key_count, const std::size_t columns[3]) {
  for (int k = 0; k < key_count; ++k) {
    Census census;
    const VARIANT* column = cells + columns[k] * height;
    for (std::size_t r = 0; r < std::min(height, kFirstLook); ++r) census.Add(column[r]);
    if (census.Kind() == KeyKind::kNone) return false;
  }
  return true;
}

// Row i of the block takes the row that was at order[i]: each column is gathered into `spare` (room for
// one column of VARIANTs) and copied back.
void MoveRowsOnce(VARIANT* cells, std::size_t height, std::size_t width, const std::uint32_t* order,
                  VARIANT* spare, SortTeam& team) {
  const unsigned threads = team.size();
  for (std::size_t c = 0; c < width; ++c) {
    VARIANT* column = cells + c * height;
    RunTeam(team, [&](unsigned t) {
      for (std::size_t i = SliceBegin(height, t, threads), end = SliceBegin(height, t + 1, threads); i < end; ++i)
        spare[i] = column[order[i]];
    });
    RunTeam(team, [&](unsigned t) {
      std::size_t lo = SliceBegin(height, t, threads), hi = SliceBegin(height, t + 1, threads);
      std::memcpy(static_cast<void*>(column + lo), spare + lo, (hi - lo) * sizeof(VARIANT));
    });
  }
}

// The cell whose key (as KeyOf gives it) is `key`, for a plain cell of `type`.
VARIANT PlainCellOfKey(std::uint64_t key, VARTYPE type, KeyKind kind) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  V_VT(&v) = type;
  if (kind == KeyKind::kDouble) {
    std::uint64_t bits = (key & kSignBit) ? key & ~kSignBit : ~key;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    switch (type) {
      case VT_R8: V_R8(&v) = d; break;
      case VT_DATE: V_DATE(&v) = d; break;
      case VT_R4: V_R4(&v) = static_cast<float>(d); break;
      case VT_UI1: V_UI1(&v) = static_cast<BYTE>(d); break;
      case VT_I2: V_I2(&v) = static_cast<SHORT>(d); break;
      case VT_BOOL: V_BOOL(&v) = static_cast<VARIANT_BOOL>(d); break;
      case VT_I4: V_I4(&v) = static_cast<LONG>(d); break;
      default: V_I8(&v) = static_cast<LONGLONG>(d); break;
    }
    return v;
  }
  const std::int64_t i = static_cast<std::int64_t>(key ^ kSignBit);
  switch (type) {
    case VT_CY: V_CY(&v).int64 = i; break;
    case VT_UI1: V_UI1(&v) = static_cast<BYTE>(i); break;
    case VT_I2: V_I2(&v) = static_cast<SHORT>(i); break;
    case VT_BOOL: V_BOOL(&v) = static_cast<VARIANT_BOOL>(i); break;
    case VT_I4: V_I4(&v) = static_cast<LONG>(i); break;
    default: V_I8(&v) = i; break;
  }
  return v;
}

// A list of plain cells of one type: the sorted keys say everything the sorted cells hold, so only the keys
// are sorted and the cells are written back from them; equal keys are equal cells here, so the order of
// ties cannot show. The keys take 8 bytes a cell and their second buffer 8 more, both inside the list's own
// memory (a cell takes 16 or 24): the sort allocates nothing, and freshly allocated memory costs its first
// touch, a good part of such a sort. The keys are laid over cells already read, and the cells over keys
// already used, which fixes the direction of the two serial steps below.
void SortPlainList(VARIANT* cells, std::size_t n, VARTYPE type, KeyKind kind, bool descending, SortTeam& team) {
  const unsigned threads = team.size();
  char* bytes = reinterpret_cast<char*>(cells);
  // The keys at the end of the list's memory, the second buffer at its start.
  std::uint64_t* const tail = reinterpret_cast<std::uint64_t*>(bytes + (sizeof(VARIANT) - 8) * n);
  std::uint64_t* const head = reinterpret_cast<std::uint64_t*>(bytes);
  std::vector<DigitCounts> counts(threads);
  std::vector<Counts> offsets(threads);
  for (DigitCounts& mine : counts)
    for (Counts& c : mine) c.fill(0);
  // Last cell first: key i lands in a cell at or after cell i, which has been read.
  unsigned slice = threads - 1;
  for (std::size_t i = n; i-- > 0;) {
    while (i < SliceBegin(n, slice, threads)) --slice;
    std::uint64_t value = KeyOf(cells[i], kind);
    if (descending) value = ~value;
    tail[i] = value;
    CountDigits(value, counts[slice]);
  }
  std::uint64_t* keys = tail;
  std::uint64_t* spare = head;
  RadixSort(keys, spare, n, counts, offsets, nullptr, team);
  auto write = [&](std::size_t i) { cells[i] = PlainCellOfKey(descending ? ~keys[i] : keys[i], type, kind); };
  if (keys == tail) {
    // Cells before `clear` lie wholly before the keys; the rest, first to last, cover only keys used.
    const std::size_t clear = std::min(n, (sizeof(VARIANT) - 8) * n / sizeof(VARIANT));
    RunTeam(team, [&](unsigned t) {
      for (std::size_t i = SliceBegin(clear, t, threads), end = SliceBegin(clear, t + 1, threads); i < end; ++i) write(i);
    });
    for (std::size_t i = clear; i < n; ++i) write(i);
  } else {
    // Cells from `clear` on lie wholly after the keys; the rest, last to first, cover only keys used.
    const std::size_t clear = std::min(n, (8 * n + sizeof(VARIANT) - 1) / sizeof(VARIANT));
    RunTeam(team, [&](unsigned t) {
      const std::size_t count = n - clear;
      for (std::size_t i = clear + SliceBegin(count, t, threads), end = clear + SliceBegin(count, t + 1, threads); i < end; ++i)
        write(i);
    });
    for (std::size_t i = clear; i-- > 0;) write(i);
  }
}

}  // namespace

bool SortRowsByNumberKeys(VARIANT* cells, std::size_t height, std::size_t width, int key_count,
                          const std::size_t columns[3], const bool descending[3]) {
  if (height < 2 || key_count < 1 || key_count > 3 || height > 0xFFFFFFFFu) return false;
  if (!FirstLookPasses(cells, height, key_count, columns)) return false;
  // The work block holds two pair buffers: in the 32-bit build their size could wrap for the largest arrays.
  if (height > SIZE_MAX / (2 * sizeof(KeyedRow))) return false;
  try {
    const unsigned threads = SortThreadCount(height / kKeyWorkShare);
    std::unique_ptr<SortTeam> team;
    if (threads > 1) team = std::make_unique<SortTeam>(threads);
    KeyKind kinds[3];
    VARTYPE plain_type = VT_EMPTY;
    if (!ReadKinds(cells, height, key_count, columns, team.get(), kinds, &plain_type)) return false;
    if (!team) team = std::make_unique<SortTeam>(1);
    const unsigned size = team->size();
    if (width == 1 && key_count == 1 && plain_type != VT_EMPTY) {
      SortPlainList(cells, height, plain_type, kinds[0], descending[0], *team);
      return true;
    }

    // One work block serves the two pair buffers and then one column of VARIANTs: freshly allocated memory
    // costs its first touch, which is a good part of the whole sort.
    const std::size_t pair_bytes = height * sizeof(KeyedRow);
    const std::size_t block_count = (std::max(2 * pair_bytes, height * sizeof(VARIANT)) + sizeof(VARIANT) - 1) / sizeof(VARIANT);
    std::unique_ptr<VARIANT[]> block(new VARIANT[block_count]);
    KeyedRow* pairs = reinterpret_cast<KeyedRow*>(block.get());
    KeyedRow* spare = reinterpret_cast<KeyedRow*>(reinterpret_cast<char*>(block.get()) + pair_bytes);
    std::vector<DigitCounts> counts(size);
    std::vector<Counts> offsets(size);
    std::unique_ptr<std::uint32_t[]> order(new std::uint32_t[height]);
    // Least significant key first: each later pass is stable, so rows that tie on a key keep the order of
    // the keys after it, and rows that tie on all keys keep the order they had.
    for (int k = key_count - 1; k >= 0; --k) {
      const KeyColumn key{cells + columns[k] * height, kinds[k], descending[k]};
      const bool first_pass = k == key_count - 1;
      RunTeam(*team, [&](unsigned t) {
        DigitCounts& mine = counts[t];
        for (Counts& c : mine) c.fill(0);
        for (std::size_t i = SliceBegin(height, t, size), end = SliceBegin(height, t + 1, size); i < end; ++i) {
          std::uint32_t row = first_pass ? static_cast<std::uint32_t>(i) : pairs[i].row;
          std::uint64_t value = KeyOf(key.cells[row], key.kind);
          if (key.descending) value = ~value;
          pairs[i] = {value, row};
          CountDigits(value, mine);
        }
      });
      RadixSort(pairs, spare, height, counts, offsets, k == 0 ? order.get() : nullptr, *team);
    }
    MoveRowsOnce(cells, height, width, order.get(), block.get(), *team);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace korvel
