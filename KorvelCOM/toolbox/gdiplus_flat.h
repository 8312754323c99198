// The few functions and records of the GDI+ flat API that the image members use, declared here rather than
// through MinGW's C++ GDI+ headers (which pull in the whole class layer), plus owners for a GDI+ session and
// an image.
#pragma once

#include <windows.h>

#include <memory>

namespace korvel::gdiplus {

using GpStatus = int;
constexpr GpStatus kOk = 0;

using PixelFormat = INT;
constexpr PixelFormat kPixelFormat1bppIndexed = 0x30101;

constexpr UINT kImageLockModeWrite = 2;
constexpr UINT kPaletteFlagsHasAlpha = 1;

struct GpImage;  // GDI+ keeps images and bitmaps behind opaque handles; a bitmap is an image.
using GpBitmap = GpImage;

struct StartupInput {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};

struct Rect {
  INT X, Y, Width, Height;
};

struct BitmapData {
  UINT Width;
  UINT Height;
  INT Stride;
  PixelFormat Format;
  void* Scan0;
  UINT_PTR Reserved;
};

struct ColorPalette {
  UINT Flags;
  UINT Count;
  UINT32 Entries[1];  // Count entries follow the header
};

struct ImageCodecInfo {
  CLSID Clsid;
  GUID FormatID;
  const WCHAR* CodecName;
  const WCHAR* DllName;
  const WCHAR* FormatDescription;
  const WCHAR* FilenameExtension;
  const WCHAR* MimeType;
  DWORD Flags;
  DWORD Version;
  DWORD SigCount;
  DWORD SigSize;
  const BYTE* SigPattern;
  const BYTE* SigMask;
};

extern "C" {
GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const StartupInput* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
GpStatus WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                          GpBitmap** bitmap);
GpStatus WINAPI GdipBitmapLockBits(GpBitmap* bitmap, const Rect* rect, UINT flags, PixelFormat format,
                                   BitmapData* locked);
GpStatus WINAPI GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* locked);
GpStatus WINAPI GdipGetImagePaletteSize(GpImage* image, INT* size);
GpStatus WINAPI GdipGetImagePalette(GpImage* image, ColorPalette* palette, INT size);
GpStatus WINAPI GdipSetImagePalette(GpImage* image, const ColorPalette* palette);
GpStatus WINAPI GdipGetImageEncodersSize(UINT* count, UINT* size);
GpStatus WINAPI GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);
GpStatus WINAPI GdipLoadImageFromFile(const WCHAR* file, GpImage** image);
GpStatus WINAPI GdipSaveImageToFile(GpImage* image, const WCHAR* file, const CLSID* encoder, const void* parameters);
GpStatus WINAPI GdipDisposeImage(GpImage* image);
}

// One start of GDI+ (version 1, its own background thread, no debug callback), shut down when it ends.
// GDI+ counts starts, so calls on several threads each hold their own.
class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  bool started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

struct ImageDisposer {
  void operator()(GpImage* image) const { GdipDisposeImage(image); }
};
using UniqueImage = std::unique_ptr<GpImage, ImageDisposer>;

// Marks the image's palette as holding alpha and, when `first_and_last` is given, sets its first and last
// entries, through a buffer of the size GDI+ reports. False when the palette cannot be read or written.
bool RewritePalette(GpImage* image, const UINT32* first_and_last = nullptr);

}  // namespace korvel::gdiplus
