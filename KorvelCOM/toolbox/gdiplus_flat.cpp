#include "toolbox/gdiplus_flat.h"

#include <cstddef>
#include <vector>

namespace korvel::gdiplus {

Session::Session() {
  StartupInput input{1, nullptr, FALSE, FALSE};
  started_ = GdiplusStartup(&token_, &input, nullptr) == kOk;
}

Session::~Session() {
  if (started_) GdiplusShutdown(token_);
}

bool RewritePalette(GpImage* image, const UINT32* first_and_last) {
  INT size = 0;
  if (GdipGetImagePaletteSize(image, &size) != kOk) return false;
  // GDI+ may report less than a header for an image without a palette; nothing could be read into that.
  if (size < static_cast<INT>(offsetof(ColorPalette, Entries))) return false;
  std::vector<UINT32> buffer((static_cast<size_t>(size) + sizeof(UINT32) - 1) / sizeof(UINT32) + 1);
  auto* palette = reinterpret_cast<ColorPalette*>(buffer.data());
  if (GdipGetImagePalette(image, palette, size) != kOk) return false;
  palette->Flags = kPaletteFlagsHasAlpha;
  if (first_and_last) {
    size_t room = (static_cast<size_t>(size) - offsetof(ColorPalette, Entries)) / sizeof(UINT32);
    if (palette->Count == 0 || palette->Count > room) return false;
    palette->Entries[0] = first_and_last[0];
    palette->Entries[palette->Count - 1] = first_and_last[1];
  }
  return GdipSetImagePalette(image, palette) == kOk;
}

}  // namespace korvel::gdiplus
