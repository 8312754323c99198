// Files that replace existing ones (the sorted CSV output, pictures): the complete temporary is flushed to
// the disk before it is moved over the target, and only then; its name says what it is. A power loss
// cannot be made under Wine: what is checked is that the flush happens, on the temporary, while the target
// still holds its old content, and that a failing flush leaves the target as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "csv_test_support.h"
#include "toolbox/csv_sort.h"
#include "toolbox/gdiplus_flat.h"
#include "toolbox/image_files.h"

namespace korvel::test {
namespace {

std::wstring NameOfOpenFile(HANDLE file) {
  wchar_t path[MAX_PATH * 2];
  DWORD n = GetFinalPathNameByHandleW(file, path, MAX_PATH * 2, FILE_NAME_NORMALIZED);
  if (!n || n >= MAX_PATH * 2) return L"<unknown>";
  std::wstring full(path, n);
  return full.substr(full.find_last_of(L"\\/") + 1);
}

// "<target name>.KorvelCOM-partial-<12 hex digits>.tmp"
bool IsPartialNameOf(const std::wstring& name, const std::wstring& target) {
  const std::wstring head = target + L".KorvelCOM-partial-";
  if (name.size() != head.size() + 12 + 4 || name.compare(0, head.size(), head) != 0) return false;
  for (size_t i = head.size(); i < head.size() + 12; ++i)
    if (!iswxdigit(name[i])) return false;
  return name.compare(name.size() - 4, 4, L".tmp") == 0;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

struct FlushSeen {
  std::wstring file;
  std::string target_then;  // what the target held when the temporary was flushed
};

TEST(DurableRewrites, SortedOutputIsFlushedBeforeItReplacesAFile) {
  const std::wstring folder = ScratchFolder(L"durable-csv");
  const std::wstring in = folder + L"in.csv", out = folder + L"out.csv";
  struct Case {
    const char* what;
    bool output_exists;
    bool in_place;
  };
  for (const Case& c : {Case{"over an older output", true, false}, Case{"in place", true, true},
                        Case{"to a new file", false, false}}) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(in, "b\na\nc\na\n");
    DeleteFileW(out.c_str());
    if (c.output_exists) WriteFileBytes(out, "older output\n");
    const std::wstring target = c.in_place ? in : out;
    const std::string before = ReadFileBytes(target);
    std::vector<FlushSeen> flushes;
    std::vector<std::wstring> during_write;
    csv::SortRequest request;
    request.file_in = in.c_str();
    request.file_out = target.c_str();
    request.write_gate = [&](std::uint64_t, std::size_t) {
      during_write = FilesIn(folder);
      return true;
    };
    request.flush = [&](HANDLE file) {
      flushes.push_back({NameOfOpenFile(file), ReadFileBytes(target)});
      return FlushToDisk(file);
    };
    csv::SortOutcome outcome = csv::SortCsvFile(request);
    ASSERT_EQ(outcome.status, csv::SortStatus::kOk);
    EXPECT_EQ(ReadFileBytes(target), "a\nb\nc\n");
    const std::wstring target_name = target.substr(folder.size());
    size_t partials = 0;
    for (const std::wstring& name : during_write) partials += IsPartialNameOf(name, target_name);
    EXPECT_EQ(partials, 1u) << "the temporary says what it is";
    if (!c.output_exists) {
      EXPECT_TRUE(flushes.empty()) << "a new file needs no flush";
    } else {
      ASSERT_EQ(flushes.size(), 1u);
      EXPECT_TRUE(IsPartialNameOf(flushes[0].file, target_name)) << Narrow(flushes[0].file);
      EXPECT_EQ(flushes[0].target_then, before);
    }
    EXPECT_EQ(FilesIn(folder).size(), 2u);
  }

  // A flush that fails: the target keeps its content and the temporary goes.
  WriteFileBytes(in, "b\na\n");
  WriteFileBytes(out, "older output\n");
  for (const std::wstring& target : {out, in}) {
    csv::SortRequest request;
    request.file_in = in.c_str();
    request.file_out = target.c_str();
    request.flush = [](HANDLE) { return false; };
    EXPECT_EQ(csv::SortCsvFile(request).status, csv::SortStatus::kWriteFailed);
    EXPECT_EQ(ReadFileBytes(out), "older output\n");
    EXPECT_EQ(ReadFileBytes(in), "b\na\n");
    EXPECT_EQ(FilesIn(folder).size(), 2u) << "a temporary was left behind";
  }
  RemoveFolder(folder);
}

TEST(DurableRewrites, PictureIsFlushedBeforeItReplacesAFile) {
  gdiplus::Session session;
  ASSERT_TRUE(session.started());
  std::optional<ImageEncoder> png = FindEncoderClsidByFormat(L"PNG");
  ASSERT_TRUE(png);
  const std::wstring folder = ScratchFolder(L"durable-picture");
  const std::wstring target = folder + L"picture.png";
  auto new_picture = [] {
    gdiplus::GpBitmap* raw = nullptr;
    gdiplus::GdipCreateBitmapFromScan0(8, 8, 0, 0x26200A /* 32 bpp ARGB */, nullptr, &raw);
    return gdiplus::UniqueImage(raw);
  };
  std::vector<FlushSeen> flushes;
  FlushFile recording = [&](HANDLE file) {
    flushes.push_back({NameOfOpenFile(file), ReadFileBytes(target)});
    return FlushToDisk(file);
  };

  gdiplus::UniqueImage first = new_picture();
  ASSERT_TRUE(first);
  ASSERT_TRUE(SaveImageReplacing(first, target, png->clsid, recording));
  EXPECT_TRUE(flushes.empty()) << "a new file needs no flush";

  WriteFileBytes(target, "older picture");
  gdiplus::UniqueImage second = new_picture();
  ASSERT_TRUE(SaveImageReplacing(second, target, png->clsid, recording));
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_TRUE(IsPartialNameOf(flushes[0].file, L"picture.png")) << Narrow(flushes[0].file);
  EXPECT_EQ(flushes[0].target_then, "older picture");
  EXPECT_EQ(ReadFileBytes(target).compare(0, 8, "\x89PNG\r\n\x1A\n"), 0);

  WriteFileBytes(target, "older picture");
  gdiplus::UniqueImage third = new_picture();
  EXPECT_FALSE(SaveImageReplacing(third, target, png->clsid, [](HANDLE) { return false; }));
  EXPECT_EQ(ReadFileBytes(target), "older picture");
  EXPECT_EQ(FilesIn(folder).size(), 1u) << "a temporary was left behind";
  RemoveFolder(folder);
}

}  // namespace
}  // namespace korvel::test
