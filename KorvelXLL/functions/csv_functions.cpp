// CSV worksheet functions: rows of large ANSI files counted, picked by number or searched for a text. Each
// call gives a new record, #VALUE! until the function has succeeded.
#include "functions/csv_cells.h"
#include "functions/result_records.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

template <typename Fill>
XLOPER12* CsvResult(Fill fill) {
  XLOPER12* result = NewErrorResult(xlerrValue);
  if (!result) return nullptr;
  try {
    fill(*result);
  } catch (...) {
    // The steps change the record only once nothing can throw any more: it still holds #VALUE!.
  }
  return result;
}

}  // namespace

extern "C" {

XLOPER12* __stdcall GetRowsCountCSVansi(wchar_t* file, int no_buffering) {
  return CsvResult([&](XLOPER12& result) { CountCsvRows(CsvFileOpener(file, no_buffering), result); });
}

XLOPER12* __stdcall GetRowCSVansi(wchar_t* file, int row_index, int no_buffering) {
  return CsvResult(
      [&](XLOPER12& result) { PickCsvRow(CsvFileOpener(file, no_buffering), row_index, CP_ACP, result); });
}

XLOPER12* __stdcall FindRowsInCSVansi(wchar_t* file, char* find, short* multi_line, int no_buffering) {
  return CsvResult([&](XLOPER12& result) {
    FindCsvRows(CsvFileOpener(file, no_buffering), find, multi_line && *multi_line, CP_ACP, result);
  });
}

}
