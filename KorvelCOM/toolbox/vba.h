// VBA: the toolbox class for macro code. Its members live in the vba_*.cpp files, one file per area.
#pragma once

#include "server/object_base.h"
#include "server/server_ids.h"

namespace korvel {

class CVBA : public DispatchObject<IVBA> {
 public:
  explicit CVBA(IUnknown* outer) : DispatchObject(outer) {}

  STDMETHODIMP ArraySortS(VARIANT *array_in_out, VARIANT_BOOL sort_order, LONG key_1, LONG key_2, LONG key_3, LONG sort_orientation, VARIANT_BOOL delete_duplicates, VARIANT_BOOL out_array_index, VARIANT *index_array_out) override;
  STDMETHODIMP FilterUnicodeChar(BSTR StringIn, BSTR EnableChar, BSTR DisableChar, BSTR *StringOut) override;
  STDMETHODIMP Trim(BSTR StringIn, BSTR *StringOut) override;
  STDMETHODIMP InStr(BSTR StringIn, BSTR StringFindin, LONG Start, LONG *Position) override;
  STDMETHODIMP Replace(BSTR StringIn, BSTR StringFind, BSTR StringReplace, LONG Start, LONG Count, BSTR *StringOut) override;
  STDMETHODIMP ArraySortV(VARIANT *array_in_out, LONG key_1, VARIANT_BOOL sort_order1, LONG key_2, VARIANT_BOOL sort_order2, LONG key_3, VARIANT_BOOL sort_order3) override;
  STDMETHODIMP Transpose(VARIANT *array_in_out) override;
  STDMETHODIMP QRcodePrint(BSTR QRcodeText, BSTR FileOut, LONGLONG FormatImageOut, LONGLONG SizePixel, LONGLONG PixelColorR, LONGLONG PixelColorG, LONGLONG PixelColorB, LONGLONG VersionSymbol, LONGLONG LevelErrCorrect, BSTR *FileOutPath) override;
  STDMETHODIMP ConvertFormatImage(BSTR FileIn, BSTR FileOut, BYTE FormatImageOut) override;
  STDMETHODIMP GetRowsCountCSVansi(BSTR FileIn, LONG FileFlagNoBuffering, LONG *RowsCount) override;
  STDMETHODIMP GetRowCSVansi(BSTR FileIn, LONG IndexString, LONG FileFlagNoBuffering, BSTR *Row) override;
  STDMETHODIMP FindRowsInCSVansi(BSTR FileIn, BSTR FindString, LONG MultiLine, LONG FileFlagNoBuffering, BSTR *Rows) override;
  STDMETHODIMP SortDeleteDuplicateRowsCSVansi(BSTR FileIn, BSTR FileOut, LONG HeaderRowsCount, LONG OnlySort, LONG SortOrder, LONG FileFlagNoBuffering, LONG SetLocale, BSTR Locale, LONGLONG *RowsCount) override;
  STDMETHODIMP HashStringSHA(BSTR StringIn, LONG VersionSHA, BSTR *Hash) override;
  STDMETHODIMP ReDimArray(VARIANT *array_in_out, LONG cDims, LONG cElements1, LONG lLbound1, LONG cElements2, LONG lLbound2, LONG cElements3, LONG lLbound3, LONG cElements4, LONG lLbound4, LONG cElements5, LONG lLbound5) override;
};

}  // namespace korvel
