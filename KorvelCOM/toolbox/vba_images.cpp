// QR-code and image files of the toolbox: a QR symbol drawn one bit per pixel with its quiet zone, saved
// through a GDI+ encoder, and conversion of image files between the five formats.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/com_owners.h"
#include "toolbox/gdiplus_flat.h"
#include "toolbox/image_files.h"
#include "toolbox/qr_symbol.h"
#include "toolbox/vba.h"

namespace korvel {
namespace {

constexpr int kQuietModules = 4;
constexpr UINT32 kWhite = 0xFFFFFFFF;
// GDI+ sizes a bitmap's buffer in 32-bit arithmetic: a larger 1-bit buffer is refused here rather than left
// to the checks of whichever GDI+ the host has, since drawing trusts the buffer it locks.
constexpr std::int64_t kMaxPixelBufferBytes = INT_MAX;

bool InRange(LONGLONG v, LONGLONG low, LONGLONG high) { return v >= low && v <= high; }

std::wstring TextOf(BSTR b) { return std::wstring(b ? b : L""); }

// Ones in `row` for the pixels [x, x + count), most significant bit first.
void SetBits(BYTE* row, INT x, INT count) {
  for (INT i = x; i < x + count; ++i) row[i >> 3] |= static_cast<BYTE>(0x80 >> (i & 7));
}

// Draws the symbol with its quiet zone into the locked 1-bit pixels: index 1 for dark modules, 0 elsewhere.
void DrawModules(const QRcode& symbol, INT pixels_per_module, INT side, const gdiplus::BitmapData& locked) {
  const INT n = symbol.width + 2 * kQuietModules;
  const size_t row_bytes = (static_cast<size_t>(side) + 7) / 8;
  auto* scan0 = static_cast<BYTE*>(locked.Scan0);
  auto pixel_row = [&](INT y) { return scan0 + static_cast<std::ptrdiff_t>(y) * locked.Stride; };
  std::vector<BYTE> pattern(row_bytes);
  const unsigned char* module = symbol.data;
  for (INT my = 0; my < n; ++my) {
    std::fill(pattern.begin(), pattern.end(), BYTE{0});
    bool inside_row = my >= kQuietModules && my < n - kQuietModules;
    for (INT mx = 0; mx < n; ++mx) {
      if (!inside_row || mx < kQuietModules || mx >= n - kQuietModules) continue;
      if (*module++ & 1) SetBits(pattern.data(), mx * pixels_per_module, pixels_per_module);
    }
    for (INT dy = 0; dy < pixels_per_module; ++dy) {
      BYTE* row = pixel_row(my * pixels_per_module + dy);
      std::memcpy(row, pattern.data(), row_bytes);
      // A write lock need not hand over the bitmap's own zeroed memory: the padding is cleared as well.
      std::memset(row + row_bytes, 0, static_cast<size_t>(locked.Stride < 0 ? -locked.Stride : locked.Stride) - row_bytes);
    }
  }
}

// The picture of `symbol`, or nothing when its size is out of reach or GDI+ fails on the way.
gdiplus::UniqueImage DrawPicture(const QRcode& symbol, LONGLONG pixels_per_module, UINT32 color) {
  const INT n = symbol.width + 2 * kQuietModules;
  // Checked before multiplying, so that no module size wraps round to a small picture.
  if (pixels_per_module > INT_MAX / n) return nullptr;
  const INT s = static_cast<INT>(pixels_per_module);
  const INT side = s * n;
  const std::int64_t stride = (static_cast<std::int64_t>(side) + 31) / 32 * 4;
  if (stride > kMaxPixelBufferBytes / side) return nullptr;

  gdiplus::GpBitmap* raw = nullptr;
  if (gdiplus::GdipCreateBitmapFromScan0(side, side, 0, gdiplus::kPixelFormat1bppIndexed, nullptr, &raw) !=
          gdiplus::kOk || !raw)
    return nullptr;
  gdiplus::UniqueImage bitmap(raw);
  const UINT32 entries[2] = {kWhite, color};
  if (!gdiplus::RewritePalette(bitmap.get(), entries)) return nullptr;

  gdiplus::Rect all{0, 0, side, side};
  gdiplus::BitmapData locked{};
  if (gdiplus::GdipBitmapLockBits(bitmap.get(), &all, gdiplus::kImageLockModeWrite, gdiplus::kPixelFormat1bppIndexed,
                                  &locked) != gdiplus::kOk)
    return nullptr;
  const std::int64_t min_stride = (static_cast<std::int64_t>(side) + 7) / 8;
  const std::int64_t got_stride = locked.Stride < 0 ? -static_cast<std::int64_t>(locked.Stride) : locked.Stride;
  bool usable = locked.Scan0 && locked.Width == static_cast<UINT>(side) && locked.Height == static_cast<UINT>(side) &&
                got_stride >= min_stride;
  if (usable) DrawModules(symbol, s, side, locked);
  if (gdiplus::GdipBitmapUnlockBits(bitmap.get(), &locked) != gdiplus::kOk || !usable) return nullptr;
  return bitmap;
}

}  // namespace

STDMETHODIMP CVBA::QRcodePrint(BSTR QRcodeText, BSTR FileOut, LONGLONG FormatImageOut, LONGLONG SizePixel,
                               LONGLONG PixelColorR, LONGLONG PixelColorG, LONGLONG PixelColorB,
                               LONGLONG VersionSymbol, LONGLONG LevelErrCorrect, BSTR* FileOutPath) {
  return Guarded([&]() -> HRESULT {
    if (!FileOutPath) return E_POINTER;
    *FileOutPath = nullptr;
    if (SysStringLen(QRcodeText) == 0) return E_INVALIDARG;
    if (!InRange(FormatImageOut, 0, kImageFormatCount - 1)) return E_INVALIDARG;
    if (SizePixel < 1) return E_INVALIDARG;
    if (!InRange(PixelColorR, 0, 255) || !InRange(PixelColorG, 0, 255) || !InRange(PixelColorB, 0, 255))
      return E_INVALIDARG;
    if (!InRange(VersionSymbol, 0, 40)) return E_INVALIDARG;
    if (!InRange(LevelErrCorrect, 0, 3)) return E_INVALIDARG;

    QrSymbol symbol = EncodeQrSymbol(QRcodeText, SysStringLen(QRcodeText), static_cast<int>(VersionSymbol),
                                     static_cast<int>(LevelErrCorrect));
    if (!symbol) return E_INVALIDARG;

    gdiplus::Session session;
    if (!session.started()) return E_INVALIDARG;
    const UINT32 color = 0xFF000000u | static_cast<UINT32>(PixelColorR) << 16 |
                         static_cast<UINT32>(PixelColorG) << 8 | static_cast<UINT32>(PixelColorB);
    gdiplus::UniqueImage picture = DrawPicture(*symbol, SizePixel, color);
    symbol.reset();
    if (!picture) return E_INVALIDARG;

    const wchar_t* extension = ImageFormatExtension(static_cast<int>(FormatImageOut));
    std::optional<ImageEncoder> encoder = FindEncoderClsidByFormat(extension + 1);
    if (!encoder) return E_INVALIDARG;

    std::wstring file_out = TextOf(FileOut);
    std::wstring path;
    if (!file_out.empty()) {
      path = PathWithExtension(file_out, extension);
    } else {
      std::optional<std::wstring> temporary = NewTemporaryPicturePath(extension);
      if (!temporary) return E_INVALIDARG;
      path = *temporary;
    }
    // Made before the save: once the file is written, nothing may fail and leave it behind.
    UniqueBstr result(path.c_str(), static_cast<UINT>(path.size()));
    if (!SaveImageReplacing(picture, path, encoder->clsid)) return E_INVALIDARG;
    *FileOutPath = result.release();
    return S_OK;
  });
}

STDMETHODIMP CVBA::ConvertFormatImage(BSTR FileIn, BSTR FileOut, BYTE FormatImageOut) {
  return Guarded([&]() -> HRESULT {
    if (FormatImageOut >= kImageFormatCount) return E_INVALIDARG;
    gdiplus::Session session;
    if (!session.started()) return E_INVALIDARG;
    gdiplus::GpImage* raw = nullptr;
    std::wstring file_in = TextOf(FileIn);
    if (gdiplus::GdipLoadImageFromFile(file_in.c_str(), &raw) != gdiplus::kOk || !raw) return E_INVALIDARG;
    gdiplus::UniqueImage image(raw);
    gdiplus::RewritePalette(image.get());  // best effort: an image without a palette is saved as it is
    std::optional<ImageEncoder> encoder = FindEncoderClsidByFormat(ImageFormatExtension(FormatImageOut) + 1);
    if (!encoder) return E_INVALIDARG;
    return SaveImageReplacing(image, TextOf(FileOut), encoder->clsid) ? S_OK : E_INVALIDARG;
  });
}

}  // namespace korvel
