// CSV files of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::GetRowsCountCSVansi(BSTR /*FileIn*/, LONG /*FileFlagNoBuffering*/, LONG */*RowsCount*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::GetRowCSVansi(BSTR /*FileIn*/, LONG /*IndexString*/, LONG /*FileFlagNoBuffering*/, BSTR */*Row*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::FindRowsInCSVansi(BSTR /*FileIn*/, BSTR /*FindString*/, LONG /*MultiLine*/, LONG /*FileFlagNoBuffering*/, BSTR */*Rows*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::SortDeleteDuplicateRowsCSVansi(BSTR /*FileIn*/, BSTR /*FileOut*/, LONG /*HeaderRowsCount*/, LONG /*OnlySort*/, LONG /*SortOrder*/, LONG /*FileFlagNoBuffering*/, LONG /*SetLocale*/, BSTR /*Locale*/, LONGLONG */*RowsCount*/) { return E_NOTIMPL; }

}  // namespace korvel
