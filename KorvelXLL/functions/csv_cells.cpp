#include "functions/csv_cells.h"

#include <cstring>
#include <memory>

#include "common/csv_rows.h"

namespace korvel::xll {

const wchar_t kCsvOverflowText[] = L"Overflow. Max char 32767";

CsvOpener CsvFileOpener(const wchar_t* path, int no_buffering) {
  return [path, no_buffering]() -> std::unique_ptr<csv::BlockDevice> {
    return csv::FileBlockDevice::Open(path, no_buffering != 0);
  };
}

namespace {

// Characters of `bytes` in `code_page`, written to `out` (room for bytes.size() units: no code page makes
// more characters than bytes); 0 when they do not convert.
int Convert(const std::string& bytes, UINT code_page, wchar_t* out) {
  const int n = static_cast<int>(bytes.size());
  int produced = MultiByteToWideChar(code_page, MB_PRECOMPOSED, bytes.data(), n, out, n);
  // UTF-8 and a few other code pages refuse every flag.
  if (!produced && GetLastError() == ERROR_INVALID_FLAGS)
    produced = MultiByteToWideChar(code_page, 0, bytes.data(), n, out, n);
  return produced;
}

void SetText(std::unique_ptr<wchar_t[]> buffer, int count, XLOPER12& result) {
  buffer[0] = static_cast<wchar_t>(count);
  buffer[count + 1] = L'\0';
  result.val.str = buffer.release();
  result.xltype = xltypeStr | xlbitDLLFree;
}

// Runs the reader over the opened device; false when the file cannot be opened or a read fails.
bool Read(const CsvOpener& open, csv::ChunkScan& scan) {
  std::unique_ptr<csv::BlockDevice> device = open();
  if (!device) return false;
  return csv::ReadChunks(*device, scan) == csv::ReadStatus::kOk;
}

}  // namespace

void SetCsvText(const std::string& bytes, bool overflowed, UINT code_page, XLOPER12& result) {
  if (overflowed || bytes.size() > kMaxCsvResultBytes) {
    constexpr int kCount = static_cast<int>(sizeof(kCsvOverflowText) / sizeof(wchar_t)) - 1;
    auto buffer = std::make_unique<wchar_t[]>(kCount + 2);
    std::memcpy(buffer.get() + 1, kCsvOverflowText, kCount * sizeof(wchar_t));
    SetText(std::move(buffer), kCount, result);
    return;
  }
  auto buffer = std::make_unique<wchar_t[]>(bytes.size() + 2);
  int count = 0;
  if (!bytes.empty()) {
    count = Convert(bytes, code_page, buffer.get() + 1);
    if (!count) return;
  }
  SetText(std::move(buffer), count, result);
}

void CountCsvRows(const CsvOpener& open, XLOPER12& result) {
  csv::RowCounter counter;
  if (!Read(open, counter)) return;
  result.val.num = static_cast<double>(counter.rows());
  result.xltype = xltypeNum | xlbitDLLFree;
}

void PickCsvRow(const CsvOpener& open, int row_index, UINT code_page, XLOPER12& result) {
  csv::RowPicker picker(row_index, kMaxCsvResultBytes);
  if (!Read(open, picker)) return;
  SetCsvText(picker.row(), picker.overflowed(), code_page, result);
}

void FindCsvRows(const CsvOpener& open, const char* find, bool every_row, UINT code_page, XLOPER12& result) {
  // The host hands the text over already in bytes; it is searched unchanged.
  const std::size_t length = find ? strnlen(find, csv::kBlockSize) : 0;
  if (length >= csv::kBlockSize) return;
  csv::RowFinder finder(std::string(find ? find : "", length), every_row, kMaxCsvResultBytes);
  if (!Read(open, finder)) return;
  SetCsvText(finder.rows(), finder.overflowed(), code_page, result);
}

}  // namespace korvel::xll
