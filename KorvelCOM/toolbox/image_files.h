// The image file formats of the toolbox, the encoders that write them, the names of the files written and
// a save that never leaves a partly written file behind.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "toolbox/durable_files.h"
#include "toolbox/gdiplus_flat.h"

namespace korvel {

constexpr int kImageFormatCount = 5;

// Extension with its dot, indexed by the format number 0 (BMP) to 4 (PNG). Without the dot it is the format
// description of the GDI+ encoder that writes the format.
const wchar_t* ImageFormatExtension(int format);

struct ImageEncoder {
  CLSID clsid;
  UINT position;  // in the platform's list of encoders
};

// The first installed GDI+ encoder whose format description equals `format_description` exactly (case
// included). None when there is no such encoder, no encoder list, or no memory for the list.
std::optional<ImageEncoder> FindEncoderClsidByFormat(const wchar_t* format_description);

// FileOut kept when it already ends in `extension` (ASCII letters in either case), otherwise with the
// extension appended.
std::wstring PathWithExtension(const std::wstring& file_out, const wchar_t* extension);

// TEMP as the runtime sees it (nothing when unset), a backslash, a new GUID in braces and `extension`.
// None when no GUID can be made.
std::optional<std::wstring> NewTemporaryPicturePath(const wchar_t* extension);

// Saves `image` through `encoder` to a new file beside `path` and only then moves it over `path`, flushed
// first when it replaces an older file, so that neither a failed save nor a power loss leaves a partly
// written file or a damaged older one. `image` is released before the move, since an image loaded from
// `path` itself holds that file open.
bool SaveImageReplacing(gdiplus::UniqueImage& image, const std::wstring& path, const CLSID& encoder,
                        const FlushFile& flush = FlushToDisk);

}  // namespace korvel
