// QRcodePrint and ConvertFormatImage through the server's vtable. Pictures are read back by a BMP reader of
// this test's own and compared module by module with the symbol that libqrencode itself makes of UTF-8 bytes
// written out by hand; tests/images/check-qr-images.sh decodes the pictures with zbarimg.
#include <gtest/gtest.h>

#include <qrencode.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace korvel::test {
namespace {

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

void EmptyFolder(const std::wstring& folder) {
  for (const std::wstring& name : FilesIn(folder)) DeleteFileW((folder + name).c_str());
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Signature of each written format, by format number.
bool HasSignature(const std::string& bytes, int format) {
  auto starts = [&](const std::string& head) { return bytes.compare(0, head.size(), head) == 0; };
  switch (format) {
    case 0: return starts("BM");
    case 1: return starts("\xFF\xD8\xFF");
    case 2: return starts("GIF87a") || starts("GIF89a");
    case 3: return starts(std::string("II*\0", 4)) || starts(std::string("MM\0*", 4));
    case 4: return starts("\x89PNG\r\n\x1A\n");
  }
  return false;
}

// TEMP as the runtime of this process (and of the server loaded into it) sees it, put back at the end.
class ScopedTemp {
 public:
  explicit ScopedTemp(const std::wstring* value) {
    const wchar_t* old = _wgetenv(L"TEMP");
    had_ = old != nullptr;
    if (old) old_ = old;
    Set(value);
  }
  ~ScopedTemp() { Set(had_ ? &old_ : nullptr); }

 private:
  static void Set(const std::wstring* value) {
    std::wstring assignment = L"TEMP=" + (value ? *value : std::wstring());
    _wputenv(assignment.c_str());  // "TEMP=" removes it
  }
  bool had_ = false;
  std::wstring old_;
};

// A 1-bit BMP as written by any encoder: header fields, palette and one palette index per pixel.
struct OneBitBmp {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  std::vector<std::vector<int>> index;  // [y][x], top row first
};

OneBitBmp ReadOneBitBmp(const std::string& b) {
  OneBitBmp out;
  auto u16 = [&](size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  if (b.size() < 62 || b.compare(0, 2, "BM") != 0 || u16(28) != 1) return out;
  std::uint32_t pixels = u32(10), header = u32(14), colors = u32(46);
  std::int32_t height = static_cast<std::int32_t>(u32(22));
  out.width = static_cast<int>(u32(18));
  out.height = height < 0 ? -height : height;
  if (colors == 0) colors = 2;
  for (std::uint32_t i = 0; i < colors; ++i) {
    size_t at = 14 + header + 4 * i;
    out.palette.push_back(static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<unsigned char>(b[at + 1]) << 8 |
                          static_cast<unsigned char>(b[at]));
  }
  size_t stride = (static_cast<size_t>(out.width) + 31) / 32 * 4;
  if (pixels + stride * out.height > b.size()) return out;
  out.index.assign(out.height, std::vector<int>(out.width));
  for (int row = 0; row < out.height; ++row) {
    int y = height < 0 ? row : out.height - 1 - row;  // a positive height stores the bottom row first
    for (int x = 0; x < out.width; ++x)
      out.index[y][x] = (static_cast<unsigned char>(b[pixels + row * stride + x / 8]) >> (7 - x % 8)) & 1;
  }
  out.ok = true;
  return out;
}

struct SymbolFree {
  void operator()(QRcode* q) const { QRcode_free(q); }
};

class QrImages : public ::testing::Test {
 protected:
  void SetUp() override {
    vba_ = Server::Get().Create<IVBA>(CLSID_VBA);
    ASSERT_TRUE(vba_);
    folder_ = ScratchFolder(L"qr");
    EmptyFolder(folder_);
  }
  void TearDown() override {
    EmptyFolder(folder_);
    RemoveDirectoryW(folder_.c_str());
  }

  struct Options {
    LONGLONG format = 4, size = 4, r = 0, g = 0, b = 0, version = 0, level = 1;
  };
  HRESULT Print(const std::wstring& text, const std::wstring& file_out, const Options& o, std::wstring* path = nullptr) {
    UniqueBstr t(text.data(), static_cast<UINT>(text.size()));
    UniqueBstr f(file_out.c_str(), static_cast<UINT>(file_out.size()));
    BSTR out = nullptr;
    HRESULT hr = vba_->QRcodePrint(t.get(), f.get(), o.format, o.size, o.r, o.g, o.b, o.version, o.level, &out);
    UniqueBstr owned(out);
    if (path) *path = out ? std::wstring(out, SysStringLen(out)) : std::wstring();
    if (FAILED(hr)) EXPECT_EQ(nullptr, out);
    return hr;
  }
  HRESULT Convert(const std::wstring& in, const std::wstring& out, BYTE format) {
    UniqueBstr i(in.c_str(), static_cast<UINT>(in.size()));
    UniqueBstr o(out.c_str(), static_cast<UINT>(out.size()));
    return vba_->ConvertFormatImage(i.get(), o.get(), format);
  }

  ComPtr<IVBA> vba_;
  std::wstring folder_;
};

// Every rejected argument gives E_INVALIDARG and writes no file, neither under the name given nor in TEMP.
TEST_F(QrImages, RejectedArgumentsWriteNoFile) {
  std::wstring temp_folder = ScratchFolder(L"qr-temp");
  EmptyFolder(temp_folder);
  std::wstring temp = temp_folder.substr(0, temp_folder.size() - 1);
  ScopedTemp scoped(&temp);
  struct Case {
    const char* what;
    std::wstring text;
    Options o;
  };
  const std::wstring hello = L"Hello";
  // Version 40 at level H holds 1273 bytes in 8-bit mode, at level L 2953.
  const std::wstring too_long_h(1274, L'a'), too_long_l(2954, L'a');
  const Case cases[] = {
      {"empty text", L"", {}},
      {"nothing before an embedded U+0000", std::wstring(L"\0abc", 4), {}},
      {"format -1", hello, {-1}},
      {"format 5", hello, {5}},
      {"format 2^32 + 4 (would read as 4 in 32 bits)", hello, {(1LL << 32) + 4}},
      {"size 0", hello, {4, 0}},
      {"size -1", hello, {4, -1}},
      {"size INT64_MIN", hello, {4, INT64_MIN}},
      {"red 256", hello, {4, 4, 256}},
      {"red -1", hello, {4, 4, -1}},
      {"green 256", hello, {4, 4, 0, 256}},
      {"blue -1", hello, {4, 4, 0, 0, -1}},
      {"blue 2^32", hello, {4, 4, 0, 0, 1LL << 32}},
      {"version -1", hello, {4, 4, 0, 0, 0, -1}},
      {"version 41", hello, {4, 4, 0, 0, 0, 41}},
      {"level -1", hello, {4, 4, 0, 0, 0, 0, -1}},
      {"level 4", hello, {4, 4, 0, 0, 0, 0, 4}},
      {"too long for version 40-H", too_long_h, {4, 4, 0, 0, 0, 0, 3}},
      {"too long for version 40-L", too_long_l, {4, 4, 0, 0, 0, 0, 0}},
      // 29 modules a side: a module size that wraps in 32 or 64 bits must not become a small picture.
      {"size 2^32 + 1 (29 pixels if wrapped)", hello, {4, (1LL << 32) + 1}},
      {"size 2^62", hello, {4, 1LL << 62}},
      {"size INT64_MAX", hello, {4, INT64_MAX}},
      {"side just above 2^31 - 1", hello, {4, 0x7FFFFFFF / 29 + 1}},
  };
  for (const Case& c : cases) {
    for (const std::wstring& file_out : {std::wstring(), folder_ + L"rejected"}) {
      std::wstring path = L"untouched";
      EXPECT_EQ(E_INVALIDARG, Print(c.text, file_out, c.o, &path)) << c.what;
      EXPECT_TRUE(path.empty()) << c.what;
    }
    EXPECT_TRUE(FilesIn(folder_).empty()) << c.what;
    EXPECT_TRUE(FilesIn(temp_folder).empty()) << c.what;
  }
  UniqueBstr text(SysAllocString(L"Hello"));
  EXPECT_EQ(E_POINTER, vba_->QRcodePrint(text.get(), nullptr, 4, 4, 0, 0, 0, 0, 1, nullptr));
  BSTR out = nullptr;
  EXPECT_EQ(E_INVALIDARG, vba_->QRcodePrint(nullptr, nullptr, 4, 4, 0, 0, 0, 0, 1, &out)) << "null text";
  EXPECT_TRUE(FilesIn(temp_folder).empty());
  RemoveDirectoryW(temp_folder.c_str());
}

// The saved picture: its size, palette, quiet zone and every module, against libqrencode's own symbol of the
// expected UTF-8 bytes (written out here, not converted by the platform).
TEST_F(QrImages, PictureFollowsTheArgumentsModuleByModule) {
  struct Case {
    const char* what;
    std::wstring text;
    std::string utf8;
    Options o;
    int expected_version;  // 0: only checked to be above 1
  };
  const Case cases[] = {
      {"defaults: 5 bytes fit version 1-M", L"Hello", "Hello", {0}, 1},
      {"one pixel per module, level L", L"HELLO WORLD 123", "HELLO WORLD 123", {0, 1, 0, 0, 0, 0, 0}, 1},
      {"coloured, version 5 asked, level H", L"Hello", "Hello", {0, 3, 200, 10, 30, 5, 3}, 5},
      {"white dark modules still use entry 1", L"x", "x", {0, 2, 255, 255, 255}, 1},
      {"Cyrillic in UTF-8", L"Привет, мир", u8"Привет, мир", {0, 2, 0, 0, 255}, 0},
      {"CJK and a surrogate pair", L"日本語 \U0001F600 ok", u8"日本語 \U0001F600 ok", {0, 2}, 0},
      {"Latin-1 letters are UTF-8, not ANSI", L"Größe café", u8"Größe café", {0, 2}, 1},
      {"text up to an embedded U+0000", std::wstring(L"abc\0def", 7), "abc", {0, 2}, 1},
      {"version 1 raised for a longer text", std::wstring(100, L'q'), std::string(100, 'q'), {0, 1, 0, 0, 0, 1}, 0},
  };
  for (const Case& c : cases) {
    std::wstring path;
    ASSERT_EQ(S_OK, Print(c.text, folder_ + L"pic", c.o, &path)) << c.what;
    EXPECT_EQ(folder_ + L"pic.BMP", path) << c.what;
    OneBitBmp bmp = ReadOneBitBmp(ReadFileBytes(path));
    ASSERT_TRUE(bmp.ok) << c.what;

    std::unique_ptr<QRcode, SymbolFree> symbol(QRcode_encodeString(
        c.utf8.c_str(), static_cast<int>(c.o.version), static_cast<QRecLevel>(c.o.level), QR_MODE_8, 1));
    ASSERT_TRUE(symbol) << c.what;
    const int s = static_cast<int>(c.o.size), w = symbol->width, n = w + 8;
    if (c.expected_version) EXPECT_EQ(17 + 4 * c.expected_version, w) << c.what;
    else EXPECT_GT(w, 21) << c.what;
    EXPECT_EQ(n * s, bmp.width) << c.what;
    EXPECT_EQ(n * s, bmp.height) << c.what;
    ASSERT_EQ(2u, bmp.palette.size()) << c.what;
    EXPECT_EQ(0xFFFFFFu, bmp.palette[0]) << c.what;
    EXPECT_EQ(static_cast<std::uint32_t>(c.o.r << 16 | c.o.g << 8 | c.o.b), bmp.palette[1]) << c.what;

    int wrong = 0;
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < bmp.width; ++x) {
        int mx = x / s - 4, my = y / s - 4;
        bool inside = mx >= 0 && my >= 0 && mx < w && my < w;
        int expected = inside ? symbol->data[my * w + mx] & 1 : 0;
        if (bmp.index[y][x] != expected) ++wrong;
      }
    EXPECT_EQ(0, wrong) << c.what << ": pixels that differ from the symbol";
    // The top-left finder pattern starts right after a 4-module quiet zone.
    EXPECT_EQ(0, bmp.index[4 * s - 1][4 * s - 1]) << c.what;
    EXPECT_EQ(1, bmp.index[4 * s][4 * s]) << c.what;
    EXPECT_EQ(0, bmp.index[5 * s][5 * s]) << c.what;
    EXPECT_EQ(1, bmp.index[6 * s][6 * s]) << c.what;
  }
}

// Where the picture goes: FileOut kept when it ends in the format's extension in any case, else extended.
TEST_F(QrImages, PathRules) {
  struct Case {
    const wchar_t* file_out;
    int format;
    const wchar_t* saved_as;
  };
  const Case cases[] = {
      {L"pic", 0, L"pic.BMP"},          {L"pic.bmp", 0, L"pic.bmp"},     {L"pic.png", 0, L"pic.png.BMP"},
      {L"a", 1, L"a.JPEG"},             {L"photo.jpg", 1, L"photo.jpg.JPEG"}, {L"b.jPeG", 1, L"b.jPeG"},
      {L"PIC.Tiff", 3, L"PIC.Tiff"},    {L"t.tif", 3, L"t.tif.TIFF"},   {L"G", 4, L"G.PNG"},
      {L"png", 4, L"png.PNG"},          {L".PNG", 4, L".PNG"},           {L"c.gif", 4, L"c.gif.PNG"},
  };
  for (const Case& c : cases) {
    Options o;
    o.format = c.format;
    std::wstring path;
    ASSERT_EQ(S_OK, Print(L"path rules", folder_ + c.file_out, o, &path)) << Narrow(c.file_out);
    EXPECT_EQ(folder_ + c.saved_as, path) << Narrow(c.file_out);
    EXPECT_TRUE(HasSignature(ReadFileBytes(folder_ + c.saved_as), c.format)) << Narrow(c.file_out);
    std::vector<std::wstring> files = FilesIn(folder_);
    ASSERT_EQ(1u, files.size()) << Narrow(c.file_out) << ": only the picture, no leftover";
    EXPECT_EQ(c.saved_as, files[0]);
    EmptyFolder(folder_);
  }
}

TEST_F(QrImages, ExistingFileIsReplaced) {
  WriteFileBytes(folder_ + L"old.PNG", std::string(100000, 'x'));
  std::wstring path;
  ASSERT_EQ(S_OK, Print(L"replaced", folder_ + L"old.PNG", Options{}, &path));
  std::string bytes = ReadFileBytes(path);
  EXPECT_TRUE(HasSignature(bytes, 4));
  EXPECT_LT(bytes.size(), 100000u);
  EXPECT_EQ(1u, FilesIn(folder_).size());
}

// An empty FileOut names a new file in TEMP: "{GUID}.PNG" in upper-case hexadecimal, different each call.
TEST_F(QrImages, EmptyFileOutGivesNewNamesInTemp) {
  std::wstring temp = folder_.substr(0, folder_.size() - 1);
  ScopedTemp scoped(&temp);
  std::wstring first, second;
  ASSERT_EQ(S_OK, Print(L"one", L"", Options{}, &first));
  ASSERT_EQ(S_OK, Print(L"one", L"", Options{}, &second));
  EXPECT_NE(first, second);
  for (const std::wstring& path : {first, second}) {
    ASSERT_EQ(folder_.size() + 38 + 4, path.size()) << Narrow(path);
    EXPECT_EQ(folder_, path.substr(0, folder_.size()));
    std::wstring name = path.substr(folder_.size());
    EXPECT_EQ(L'{', name[0]);
    EXPECT_EQ(L"}.PNG", name.substr(37));
    for (size_t i = 1; i < 37; ++i) {
      bool dash = i == 9 || i == 14 || i == 19 || i == 24;
      wchar_t c = name[i];
      EXPECT_TRUE(dash ? c == L'-' : (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F')) << Narrow(name);
    }
    EXPECT_TRUE(HasSignature(ReadFileBytes(path), 4));
  }
  EXPECT_EQ(2u, FilesIn(folder_).size());

  Options jpeg;
  jpeg.format = 1;
  std::wstring third;
  ASSERT_EQ(S_OK, Print(L"one", L"", jpeg, &third));
  EXPECT_EQ(L".JPEG", third.substr(third.size() - 5));
  EXPECT_TRUE(HasSignature(ReadFileBytes(third), 1));
}

// Without TEMP the path starts with the backslash, so it lands in the root of the current drive.
TEST_F(QrImages, UnsetTempGivesARootPath) {
  wchar_t old_dir[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old_dir);
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  std::wstring path;
  HRESULT hr;
  {
    ScopedTemp scoped(nullptr);
    hr = Print(L"root", L"", Options{}, &path);
  }
  std::wstring drive_root = folder_.substr(0, 2) + path;
  bool found = Exists(drive_root);
  DeleteFileW(drive_root.c_str());
  SetCurrentDirectoryW(old_dir);
  ASSERT_EQ(S_OK, hr);
  EXPECT_EQ(L"\\{", path.substr(0, 2));
  EXPECT_TRUE(found);
}

// A save that fails leaves no file: neither a part of the new one nor a changed older one. Wine's GDI+
// refuses to write a 1-bit bitmap as GIF (Windows writes it), which makes a real failing save.
TEST_F(QrImages, FailedSaveLeavesNoFileBehind) {
  if (!RunningOnWine()) GTEST_SKIP() << "needs Wine's GDI+, which cannot save a 1-bit bitmap as GIF";
  Options gif;
  gif.format = 2;
  std::wstring path = L"untouched";
  EXPECT_EQ(E_INVALIDARG, Print(L"gif", folder_ + L"new", gif, &path));
  EXPECT_TRUE(path.empty());
  EXPECT_TRUE(FilesIn(folder_).empty()) << "a partly written file stayed";

  const std::string older = "older contents";
  WriteFileBytes(folder_ + L"kept.GIF", older);
  EXPECT_EQ(E_INVALIDARG, Print(L"gif", folder_ + L"kept.GIF", gif, &path));
  EXPECT_EQ(older, ReadFileBytes(folder_ + L"kept.GIF"));
  EXPECT_EQ(1u, FilesIn(folder_).size());

  ASSERT_EQ(S_OK, Print(L"source", folder_ + L"source", Options{0}, &path));
  WriteFileBytes(folder_ + L"converted.gif", older);
  EXPECT_EQ(E_INVALIDARG, Convert(path, folder_ + L"converted.gif", 2));
  EXPECT_EQ(older, ReadFileBytes(folder_ + L"converted.gif"));
  EXPECT_EQ(E_INVALIDARG, Convert(path, folder_ + L"absent.gif", 2));
  EXPECT_FALSE(Exists(folder_ + L"absent.gif"));
  EXPECT_EQ(3u, FilesIn(folder_).size());
}

TEST_F(QrImages, SaveIntoAMissingFolderFails) {
  std::wstring path;
  EXPECT_EQ(E_INVALIDARG, Print(L"x", folder_ + L"missing\\pic", Options{}, &path));
  EXPECT_TRUE(FilesIn(folder_).empty());
}

// A 24-bit BMP written here byte by byte: 5 x 3 pixels, each a different colour.
std::string TrueColorBmp() {
  const int w = 5, h = 3, stride = 16;
  std::string b(54 + stride * h, '\0');
  auto put32 = [&](size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<std::uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  b[26] = 1;
  b[28] = 24;
  put32(34, stride * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t at = 54 + y * stride + 3 * x;
      b[at] = static_cast<char>(40 * x);
      b[at + 1] = static_cast<char>(80 * y);
      b[at + 2] = static_cast<char>(200 - 30 * x);
    }
  return b;
}

// Conversion writes exactly the name given, in the asked format; a lossless round trip keeps every pixel.
TEST_F(QrImages, ConversionBetweenFormats) {
  std::wstring qr;
  ASSERT_EQ(S_OK, Print(L"convert me", folder_ + L"qr", Options{0, 3, 10, 120, 40}, &qr));
  const std::string original = ReadFileBytes(qr);
  WriteFileBytes(folder_ + L"true.bmp", TrueColorBmp());
  for (int format = 0; format < 5; ++format) {
    std::wstring out = folder_ + L"out" + std::to_wstring(format) + L".img";
    // Wine's GDI+ cannot write the 1-bit picture as GIF (seen only on Windows); the 24-bit one it can.
    bool from_qr = !(format == 2 && RunningOnWine());
    std::wstring in = from_qr ? qr : folder_ + L"true.bmp";
    ASSERT_EQ(S_OK, Convert(in, out, static_cast<BYTE>(format))) << format;
    EXPECT_TRUE(HasSignature(ReadFileBytes(out), format)) << format;
    EXPECT_TRUE(HasSignature(ReadFileBytes(folder_ + L"true.bmp"), 0));
    std::wstring from_true = folder_ + L"true" + std::to_wstring(format) + L".img";
    ASSERT_EQ(S_OK, Convert(folder_ + L"true.bmp", from_true, static_cast<BYTE>(format))) << format;
    EXPECT_TRUE(HasSignature(ReadFileBytes(from_true), format)) << format;
  }
  // BMP -> PNG -> TIFF -> BMP keeps the 1-bit picture.
  ASSERT_EQ(S_OK, Convert(folder_ + L"out0.img", folder_ + L"back.bmp", 0));
  OneBitBmp a = ReadOneBitBmp(original), b = ReadOneBitBmp(ReadFileBytes(folder_ + L"back.bmp"));
  ASSERT_EQ(S_OK, Convert(folder_ + L"out4.img", folder_ + L"chain.tif", 3));
  ASSERT_EQ(S_OK, Convert(folder_ + L"chain.tif", folder_ + L"chain.bmp", 0));
  OneBitBmp c = ReadOneBitBmp(ReadFileBytes(folder_ + L"chain.bmp"));
  ASSERT_TRUE(a.ok && b.ok && c.ok);
  EXPECT_EQ(a.index, b.index);
  EXPECT_EQ(a.index, c.index);
  EXPECT_EQ(a.palette, c.palette);
  EXPECT_FALSE(Exists(folder_ + L"out1.img.JPEG")) << "no extension is added";
  for (const std::wstring& name : FilesIn(folder_)) EXPECT_EQ(std::wstring::npos, name.find(L".tmp")) << Narrow(name);
}

TEST_F(QrImages, ConversionFailures) {
  std::wstring qr;
  ASSERT_EQ(S_OK, Print(L"x", folder_ + L"qr", Options{}, &qr));
  WriteFileBytes(folder_ + L"text.png", "this is not an image\r\n");
  struct Case {
    const char* what;
    std::wstring in, out;
    BYTE format;
  };
  const Case cases[] = {
      {"format 5", qr, folder_ + L"o1", 5},
      {"format 255", qr, folder_ + L"o2", 255},
      {"not an image", folder_ + L"text.png", folder_ + L"o3", 4},
      {"missing input", folder_ + L"nothing.png", folder_ + L"o4", 4},
      {"empty input name", L"", folder_ + L"o5", 4},
      {"empty output name", qr, L"", 4},
      {"output into a missing folder", qr, folder_ + L"missing\\o6", 4},
  };
  for (const Case& c : cases) EXPECT_EQ(E_INVALIDARG, Convert(c.in, c.out, c.format)) << c.what;
  EXPECT_EQ(E_INVALIDARG, vba_->ConvertFormatImage(nullptr, nullptr, 0));
  EXPECT_EQ(2u, FilesIn(folder_).size());
}

// Converting a file onto itself replaces it.
TEST_F(QrImages, ConversionInPlace) {
  std::wstring qr;
  ASSERT_EQ(S_OK, Print(L"x", folder_ + L"self", Options{}, &qr));
  ASSERT_EQ(S_OK, Convert(qr, qr, 0));
  EXPECT_TRUE(HasSignature(ReadFileBytes(qr), 0));
  EXPECT_EQ(1u, FilesIn(folder_).size());
}

// Late-bound by name with only the text, as the add-in's worksheet function relies on: a new PNG in TEMP.
TEST_F(QrImages, LateBoundWithOnlyTheText) {
  std::wstring temp = folder_.substr(0, folder_.size() - 1);
  ScopedTemp scoped(&temp);
  ComPtr<IDispatch> late;
  ASSERT_EQ(S_OK, vba_->QueryInterface(IID_IDispatch, late.put_void()));
  ScopedVariant result;
  ASSERT_EQ(S_OK, LateBound(late.get()).Call(L"QRcodePrint", DISPATCH_METHOD, {VBstr(L"Hello")}, result.get()));
  ASSERT_EQ(VT_BSTR, V_VT(result.get()));
  std::wstring path(V_BSTR(result.get()), SysStringLen(V_BSTR(result.get())));
  EXPECT_EQ(folder_, path.substr(0, folder_.size()));
  EXPECT_EQ(L".PNG", path.substr(path.size() - 4));
  EXPECT_TRUE(HasSignature(ReadFileBytes(path), 4));
  ScopedVariant rejected;
  EXPECT_EQ(E_INVALIDARG, LateBound(late.get()).Call(L"QRcodePrint", DISPATCH_METHOD,
                                                     {VBstr(L"Hello"), VBstr(L""), VI8(4), VI8(0)}, rejected.get()));
  EXPECT_EQ(1u, FilesIn(folder_).size());
}

}  // namespace
}  // namespace korvel::test
