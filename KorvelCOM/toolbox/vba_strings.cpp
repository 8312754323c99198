// String functions of the toolbox: each result is built in one pass into a buffer sized in advance.
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "common/com_owners.h"
#include "common/text_rules.h"
#include "toolbox/vba.h"

namespace korvel {
namespace {

// The longest BSTR a result may be.
constexpr std::uint64_t kMaxResultUnits = 0x7FFFFFFF;

// A result buffer of `units` code units, filled by the caller.
UniqueBstr ResultBuffer(std::uint64_t units) {
  if (units > kMaxResultUnits) throw std::bad_alloc();
  return UniqueBstr(nullptr, static_cast<UINT>(units));
}

// Shortens a result that was built in a buffer sized for its longest case; given no source text, the
// platform keeps the contents.
void ShortenTo(UniqueBstr& text, size_t units) {
  if (units == text.length()) return;
  BSTR b = text.get();
  if (!SysReAllocStringLen(&b, nullptr, static_cast<UINT>(units))) throw std::bad_alloc();
  text.release();
  text.reset(b);
}

}  // namespace

STDMETHODIMP CVBA::FilterUnicodeChar(BSTR StringIn, BSTR EnableChar, BSTR DisableChar, BSTR* StringOut) {
  return Guarded([&]() -> HRESULT {
    if (!StringOut) return E_POINTER;
    UINT n = SysStringLen(StringIn);
    // Each list is a 65536-bit set: kept off the caller's stack.
    auto enable = std::make_unique<UnitList>(EnableChar, SysStringLen(EnableChar));
    auto disable = std::make_unique<UnitList>(DisableChar, SysStringLen(DisableChar));
    UniqueBstr out = ResultBuffer(n);
    ShortenTo(out, FilterUnits(StringIn, n, *enable, *disable, out.get()));
    *StringOut = out.release();
    return S_OK;
  });
}

STDMETHODIMP CVBA::Trim(BSTR StringIn, BSTR* StringOut) {
  return Guarded([&]() -> HRESULT {
    if (!StringOut) return E_POINTER;
    UINT n = SysStringLen(StringIn);
    UniqueBstr out = ResultBuffer(n);
    ShortenTo(out, TrimUnits(StringIn, n, out.get()));
    *StringOut = out.release();
    return S_OK;
  });
}

STDMETHODIMP CVBA::InStr(BSTR StringIn, BSTR StringFindin, LONG Start, LONG* Position) {
  return Guarded([&]() -> HRESULT {
    if (!Position) return E_POINTER;
    *Position = 0;
    UINT n = SysStringLen(StringIn);
    if (Start < 1 || static_cast<UINT>(Start) > n) return S_OK;
    size_t from = static_cast<size_t>(Start) - 1;
    // Both texts end at their first U+0000 for the search.
    size_t visible = UnitsBeforeNul(StringIn, n);
    UnitSearch search(StringFindin, UnitsBeforeNul(StringFindin, SysStringLen(StringFindin)));
    if (search.length() == 0) {
      *Position = Start;
      return S_OK;
    }
    size_t at = search.Find(StringIn, from, visible);
    if (at != UnitSearch::npos) *Position = static_cast<LONG>(at + 1);
    return S_OK;
  });
}

STDMETHODIMP CVBA::Replace(BSTR StringIn, BSTR StringFind, BSTR StringReplace, LONG Start, LONG Count, BSTR* StringOut) {
  return Guarded([&]() -> HRESULT {
    if (!StringOut) return E_POINTER;
    UINT n = SysStringLen(StringIn);
    if (Start < 1 || static_cast<UINT>(Start) > n) return E_INVALIDARG;
    size_t from = static_cast<size_t>(Start) - 1;
    size_t visible = UnitsBeforeNul(StringIn, n);
    // The search text's length is taken up to its U+0000 as the search itself uses it: a length counted
    // past it would undersize the buffer. An empty search text (nothing to divide the bound by) finds
    // nothing to replace.
    size_t f = UnitsBeforeNul(StringFind, SysStringLen(StringFind));
    size_t r = SysStringLen(StringReplace);
    auto unchanged = [&] {
      *StringOut = UniqueBstr(StringIn, n).release();
      return S_OK;
    };
    if (Count == 0 || f == 0) return unchanged();
    UnitSearch search(StringFind, f);
    size_t first = search.Find(StringIn, from, visible);
    if (first == UnitSearch::npos) return unchanged();
    std::uint64_t most = Count < 0 ? UINT64_MAX : static_cast<std::uint64_t>(Count);

    // A result that cannot grow fits the input's length. One that grows is counted first, so that a
    // result beyond the limit fails before anything is allocated, and a large bound with few occurrences
    // does not reserve memory it never uses.
    std::uint64_t capacity = n;
    if (r > f) {
      std::uint64_t k = 0;
      for (size_t at = first; at != UnitSearch::npos; at = search.Find(StringIn, at + f, visible))
        if (++k == most) break;
      capacity = n + k * (r - f);
      if (capacity > kMaxResultUnits) return E_OUTOFMEMORY;
    }
    UniqueBstr out = ResultBuffer(capacity);
    wchar_t* write = out.get();
    size_t copied = 0;
    std::uint64_t k = 0;
    for (size_t at = first; at != UnitSearch::npos; at = search.Find(StringIn, copied, visible)) {
      std::memcpy(write, StringIn + copied, (at - copied) * sizeof(wchar_t));
      write += at - copied;
      if (r) std::memcpy(write, StringReplace, r * sizeof(wchar_t));
      write += r;
      copied = at + f;
      if (++k == most) break;
    }
    // The rest goes by length: it may hold U+0000.
    std::memcpy(write, StringIn + copied, (n - copied) * sizeof(wchar_t));
    write += n - copied;
    ShortenTo(out, static_cast<size_t>(write - out.get()));
    *StringOut = out.release();
    return S_OK;
  });
}

}  // namespace korvel
