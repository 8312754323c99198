// CSV files of the toolbox: row count, one row, rows holding a text (through the CSV chunk reader), and the
// sort with de-duplication.
#include <climits>
#include <clocale>
#include <locale.h>

#include "common/ansi_text.h"
#include "common/com_owners.h"
#include "common/csv_chunk_reader.h"
#include "common/csv_rows.h"
#include "toolbox/csv_sort.h"
#include "toolbox/vba.h"

namespace korvel {
namespace {

// A file that cannot be opened and a read that fails after it was opened are both file failures; a read
// failure is never passed off as a result over part of the file.
HRESULT ReadFailure(csv::ReadStatus status) { return status == csv::ReadStatus::kOk ? S_OK : E_INVALIDARG; }

HRESULT ReturnText(const std::string& bytes, BSTR* out) {
  *out = AnsiToBstr(bytes.data(), bytes.size());
  return S_OK;
}

// FindString of this many UTF-16 units or more is refused.
constexpr UINT kMaxFindUnits = 0x1000000;

}  // namespace

STDMETHODIMP CVBA::GetRowsCountCSVansi(BSTR FileIn, LONG FileFlagNoBuffering, LONG *RowsCount) {
  return Guarded([&]() -> HRESULT {
    if (!RowsCount) return E_POINTER;
    csv::RowCounter counter;
    HRESULT hr = ReadFailure(csv::ReadChunks(FileIn, FileFlagNoBuffering != 0, counter));
    if (FAILED(hr)) return hr;
    if (counter.rows() > static_cast<std::uint64_t>(LONG_MAX)) return DISP_E_OVERFLOW;
    *RowsCount = static_cast<LONG>(counter.rows());
    return S_OK;
  });
}

STDMETHODIMP CVBA::GetRowCSVansi(BSTR FileIn, LONG IndexString, LONG FileFlagNoBuffering, BSTR *Row) {
  return Guarded([&]() -> HRESULT {
    if (!Row) return E_POINTER;
    csv::RowPicker picker(IndexString);
    HRESULT hr = ReadFailure(csv::ReadChunks(FileIn, FileFlagNoBuffering != 0, picker));
    if (FAILED(hr)) return hr;
    return ReturnText(picker.row(), Row);
  });
}

STDMETHODIMP CVBA::FindRowsInCSVansi(BSTR FileIn, BSTR FindString, LONG MultiLine, LONG FileFlagNoBuffering, BSTR *Rows) {
  return Guarded([&]() -> HRESULT {
    if (!Rows) return E_POINTER;
    UINT units = SysStringLen(FindString);
    if (units >= kMaxFindUnits) return E_INVALIDARG;
    // The rows are text of the ANSI code page, so the search text is converted to it as well; a text the
    // code page cannot hold matches no row, though the file is still opened (a missing file stays an error).
    std::optional<std::string> text = csv::NarrowSearchText(FindString, units, CP_ACP);
    if (text && text->size() >= csv::kBlockSize) return E_INVALIDARG;
    if (!text) {
      auto device = csv::FileBlockDevice::Open(FileIn, FileFlagNoBuffering != 0);
      if (!device) return E_INVALIDARG;
      return ReturnText(std::string(), Rows);
    }
    csv::RowFinder finder(std::move(*text), MultiLine != 0);
    HRESULT hr = ReadFailure(csv::ReadChunks(FileIn, FileFlagNoBuffering != 0, finder));
    if (FAILED(hr)) return hr;
    return ReturnText(finder.rows(), Rows);
  });
}

STDMETHODIMP CVBA::SortDeleteDuplicateRowsCSVansi(BSTR FileIn, BSTR FileOut, LONG HeaderRowsCount, LONG OnlySort, LONG SortOrder, LONG FileFlagNoBuffering, LONG SetLocale, BSTR Locale, LONGLONG *RowsCount) {
  return Guarded([&]() -> HRESULT {
    if (!RowsCount) return E_POINTER;
    if (HeaderRowsCount < 0) return E_INVALIDARG;
    // The collation stays set after the call: a later call with a null Locale sorts by it again.
    if (SetLocale && Locale && !_wsetlocale(LC_COLLATE, Locale)) return E_INVALIDARG;
    csv::SortRequest request;
    request.file_in = FileIn;
    request.file_out = FileOut;
    request.header_rows = HeaderRowsCount;
    request.only_sort = OnlySort != 0;
    request.no_buffering = FileFlagNoBuffering != 0;
    if (SetLocale)
      request.order = SortOrder ? csv::RowOrder::kCollatedDescending : csv::RowOrder::kCollatedAscending;
    else
      request.order = SortOrder ? csv::RowOrder::kBytesDescending : csv::RowOrder::kBytesAscending;
    csv::SortOutcome outcome = csv::SortCsvFile(request);
    if (outcome.status != csv::SortStatus::kOk) return E_INVALIDARG;
    *RowsCount = static_cast<LONGLONG>(outcome.rows);
    return S_OK;
  });
}

}  // namespace korvel
