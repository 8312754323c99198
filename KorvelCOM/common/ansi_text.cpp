#include "common/ansi_text.h"

#include "common/com_owners.h"

#include <oleauto.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {
namespace {

bool ProbeKeepsAscii(UINT code_page) {
  wchar_t units[128];
  char bytes[128];
  for (int i = 0; i < 128; ++i) {
    units[i] = static_cast<wchar_t>(i);
    bytes[i] = static_cast<char>(i);
  }
  // Twice the room, so that a code page that writes more (an escape, a shift) is seen doing it.
  char narrowed[256];
  wchar_t widened[256];
  int n = WideCharToMultiByte(code_page, 0, units, 128, narrowed, sizeof narrowed, nullptr, nullptr);
  if (n != 128 || std::memcmp(narrowed, bytes, 128) != 0) return false;
  int w = MultiByteToWideChar(code_page, 0, bytes, 128, widened, 256);
  return w == 128 && std::wmemcmp(widened, units, 128) == 0;
}

std::string ConvertToAnsi(const wchar_t* text, size_t length) {
  if (!length) return std::string();
  if (length > INT_MAX) throw std::bad_alloc();
  int n = static_cast<int>(length);
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  if (bytes) WideCharToMultiByte(CP_ACP, 0, text, n, out.data(), bytes, nullptr, nullptr);
  return out;
}

// Narrowed 7-bit text is handed on in pieces of this many bytes: they stay in the first-level cache
// between being written and being read by the sink.
constexpr size_t kPieceBytes = 16384;
constexpr size_t kSliceBytes = 1024;

}  // namespace

bool KeepsAscii(UINT code_page) {
  // The ANSI code page is the system's and does not change while the process runs.
  static const UINT ansi = GetACP();
  static const bool ansi_keeps = ProbeKeepsAscii(ansi);
  if (code_page == CP_ACP || code_page == ansi) return ansi_keeps;
  return ProbeKeepsAscii(code_page);
}

namespace {

#if defined(__SSE2__)
constexpr bool kHaveSse2 = true;
#else
constexpr bool kHaveSse2 = false;
#endif

// The leading units below 0x80 (and, with `kStopAtNul`, not 0), each written to `out` as its byte. The
// 32-bit build has no SSE2 and takes the plain loop; the 64-bit build's tests run that loop as well.
template <bool kStopAtNul, bool kVector = kHaveSse2>
size_t NarrowRun(const wchar_t* text, size_t length, char* out) {
  size_t i = 0;
  if constexpr (kVector) {
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= length; i += 16) {
      __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + 8));
      __m128i seven = _mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), high), zero);
      if (kStopAtNul)
        seven = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero)), seven);
      if (_mm_movemask_epi8(seven) != 0xFFFF) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#endif
  } else {
    for (; i + 8 <= length; i += 8) {
      unsigned any = 0;
      bool nul = false;
      for (size_t k = 0; k < 8; ++k) {
        any |= text[i + k];
        nul |= text[i + k] == 0;
      }
      if ((any & 0xFF80u) || (kStopAtNul && nul)) break;
      for (size_t k = 0; k < 8; ++k) out[i + k] = static_cast<char>(text[i + k]);
    }
  }
  for (; i < length && text[i] < 0x80 && !(kStopAtNul && text[i] == 0); ++i) out[i] = static_cast<char>(text[i]);
  return i;
}

}  // namespace

size_t NarrowAscii(const wchar_t* text, size_t length, char* out) { return NarrowRun<false>(text, length, out); }

size_t NarrowAsciiPlainLoop(const wchar_t* text, size_t length, char* out, bool stop_at_nul) {
  return stop_at_nul ? NarrowRun<true, false>(text, length, out) : NarrowRun<false, false>(text, length, out);
}

size_t WidenAscii(const char* bytes, size_t length, wchar_t* out) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= length; i += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    if (_mm_movemask_epi8(v) != 0) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(v, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(v, zero));
  }
#endif
  for (; i < length && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) out[i] = static_cast<wchar_t>(bytes[i]);
  return i;
}

std::string ToAnsi(const wchar_t* text) { return text ? ToAnsi(text, std::wcslen(text)) : std::string(); }

std::string ToAnsi(const wchar_t* text, size_t length) {
  if (!text || !length) return std::string();
  if (length > INT_MAX) throw std::bad_alloc();
  if (KeepsAscii(CP_ACP)) {
    std::string out(length, '\0');
    if (NarrowAscii(text, length, out.data()) == length) return out;
  }
  return ConvertToAnsi(text, length);
}

void ToAnsiInPieces(const wchar_t* text, size_t length, const std::function<void(const char*, size_t)>& sink) {
  if (!text) return;
  if (KeepsAscii(CP_ACP)) {
    std::unique_ptr<char[]> piece(new char[kPieceBytes]);
    while (length) {
      const size_t n = length < kPieceBytes ? length : kPieceBytes;
      const size_t ascii = NarrowRun<true>(text, n, piece.get());
      if (ascii < n && text[ascii] == L'\0') {
        sink(piece.get(), ascii);
        return;
      }
      // The sink (a digest) takes far longer than memory does to deliver the text: while it works on a
      // slice of this piece, the matching part of the next piece's text is fetched into the cache, so
      // that narrowing that piece does not wait for memory.
      const wchar_t* next = text + ascii;
      const size_t ahead = length - ascii;
      for (size_t done = 0; done < ascii; done += kSliceBytes) {
        const size_t m = std::min(kSliceBytes, ascii - done);
        for (size_t u = done; u < done + m && u < ahead; u += 64 / sizeof(wchar_t)) __builtin_prefetch(next + u);
        sink(piece.get() + done, m);
      }
      text += ascii;
      length -= ascii;
      if (ascii < n) break;
    }
    // From the first unit above 0x7F on, the converter takes the rest. Splitting before that unit gives
    // the bytes of one conversion: such a code page converts a 7-bit unit to its own byte whatever
    // surrounds it, and the split never falls inside a surrogate pair.
  }
  length = static_cast<size_t>(std::find(text, text + length, L'\0') - text);
  const std::string rest = ConvertToAnsi(text, length);
  if (!rest.empty()) sink(rest.data(), rest.size());
}

BSTR AnsiToBstr(const char* bytes, size_t length) {
  if (length > INT_MAX) throw std::bad_alloc();
  int n = static_cast<int>(length);
  if (n && KeepsAscii(CP_ACP)) {
    UniqueBstr out(nullptr, static_cast<UINT>(length));
    if (WidenAscii(bytes, length, out.get()) == length) return out.release();
  }
  int units = n ? MultiByteToWideChar(CP_ACP, 0, bytes, n, nullptr, 0) : 0;
  BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(units));
  if (!out) throw std::bad_alloc();
  if (units) MultiByteToWideChar(CP_ACP, 0, bytes, n, out, units);
  return out;
}

std::wstring UpToNul(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

}  // namespace korvel
