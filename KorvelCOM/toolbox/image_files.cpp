#include "toolbox/image_files.h"

#include <objbase.h>

#include <cstdlib>
#include <cwchar>
#include <new>
#include <vector>

namespace korvel {
namespace {

const wchar_t* const kExtensions[kImageFormatCount] = {L".BMP", L".JPEG", L".GIF", L".TIFF", L".PNG"};

wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

struct CoTaskText {
  ~CoTaskText() { CoTaskMemFree(text); }
  LPOLESTR text = nullptr;
};

std::optional<std::wstring> NewGuidText() {
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return std::nullopt;
  CoTaskText text;
  if (FAILED(StringFromCLSID(guid, &text.text)) || !text.text) return std::nullopt;
  return std::wstring(text.text);
}

}  // namespace

const wchar_t* ImageFormatExtension(int format) {
  return format >= 0 && format < kImageFormatCount ? kExtensions[format] : nullptr;
}

std::optional<ImageEncoder> FindEncoderClsidByFormat(const wchar_t* format_description) {
  UINT count = 0, size = 0;
  if (gdiplus::GdipGetImageEncodersSize(&count, &size) != gdiplus::kOk || size == 0 || count == 0) return std::nullopt;
  if (static_cast<size_t>(count) * sizeof(gdiplus::ImageCodecInfo) > size) return std::nullopt;
  std::vector<gdiplus::ImageCodecInfo> list;
  try {
    list.resize((size + sizeof(gdiplus::ImageCodecInfo) - 1) / sizeof(gdiplus::ImageCodecInfo));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  if (gdiplus::GdipGetImageEncoders(count, size, list.data()) != gdiplus::kOk) return std::nullopt;
  for (UINT i = 0; i < count; ++i) {
    const wchar_t* name = list[i].FormatDescription;
    if (name && std::wcscmp(name, format_description) == 0) return ImageEncoder{list[i].Clsid, i};
  }
  return std::nullopt;
}

std::wstring PathWithExtension(const std::wstring& file_out, const wchar_t* extension) {
  size_t n = std::wcslen(extension);
  if (file_out.size() >= n) {
    bool same = true;
    for (size_t i = 0; i < n && same; ++i)
      same = AsciiLower(file_out[file_out.size() - n + i]) == AsciiLower(extension[i]);
    if (same) return file_out;
  }
  return file_out + extension;
}

std::optional<std::wstring> NewTemporaryPicturePath(const wchar_t* extension) {
  std::optional<std::wstring> guid = NewGuidText();
  if (!guid) return std::nullopt;
  const wchar_t* temp = _wgetenv(L"TEMP");
  return std::wstring(temp ? temp : L"") + L"\\" + *guid + extension;
}

bool SaveImageReplacing(gdiplus::UniqueImage& image, const std::wstring& path, const CLSID& encoder,
                        const FlushFile& flush) {
  if (path.empty()) return false;
  // Beside the target, so that the move stays on one volume and cannot copy.
  std::optional<std::wstring> partial = PartialPathBeside(path);
  if (!partial) return false;
  bool saved = gdiplus::GdipSaveImageToFile(image.get(), partial->c_str(), &encoder, nullptr) == gdiplus::kOk;
  image.reset();
  // GDI+ closes the file it wrote: it is opened again to be flushed before it replaces an older picture.
  if (saved && (!ReplacesAFile(path) || FlushClosedFile(*partial, flush)) && PutInPlace(*partial, path)) return true;
  // GDI+ may have created the file before its encoder failed.
  DeleteFileW(partial->c_str());
  return false;
}

}  // namespace korvel
