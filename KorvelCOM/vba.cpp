#include "vba.h"
// Members that are not built yet answer E_NOTIMPL.

namespace korvel {

STDMETHODIMP CVBA::ArraySortS(VARIANT */*array_in_out*/, VARIANT_BOOL /*sort_order*/, LONG /*key_1*/, LONG /*key_2*/, LONG /*key_3*/, LONG /*sort_orientation*/, VARIANT_BOOL /*delete_duplicates*/, VARIANT_BOOL /*out_array_index*/, VARIANT */*index_array_out*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::FilterUnicodeChar(BSTR /*StringIn*/, BSTR /*EnableChar*/, BSTR /*DisableChar*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::Trim(BSTR /*StringIn*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::InStr(BSTR /*StringIn*/, BSTR /*StringFindin*/, LONG /*Start*/, LONG */*Position*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::Replace(BSTR /*StringIn*/, BSTR /*StringFind*/, BSTR /*StringReplace*/, LONG /*Start*/, LONG /*Count*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ArraySortV(VARIANT */*array_in_out*/, LONG /*key_1*/, VARIANT_BOOL /*sort_order1*/, LONG /*key_2*/, VARIANT_BOOL /*sort_order2*/, LONG /*key_3*/, VARIANT_BOOL /*sort_order3*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::Transpose(VARIANT */*array_in_out*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::QRcodePrint(BSTR /*QRcodeText*/, BSTR /*FileOut*/, LONGLONG /*FormatImageOut*/, LONGLONG /*SizePixel*/, LONGLONG /*PixelColorR*/, LONGLONG /*PixelColorG*/, LONGLONG /*PixelColorB*/, LONGLONG /*VersionSymbol*/, LONGLONG /*LevelErrCorrect*/, BSTR */*FileOutPath*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ConvertFormatImage(BSTR /*FileIn*/, BSTR /*FileOut*/, BYTE /*FormatImageOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::GetRowsCountCSVansi(BSTR /*FileIn*/, LONG /*FileFlagNoBuffering*/, LONG */*RowsCount*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::GetRowCSVansi(BSTR /*FileIn*/, LONG /*IndexString*/, LONG /*FileFlagNoBuffering*/, BSTR */*Row*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::FindRowsInCSVansi(BSTR /*FileIn*/, BSTR /*FindString*/, LONG /*MultiLine*/, LONG /*FileFlagNoBuffering*/, BSTR */*Rows*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::SortDeleteDuplicateRowsCSVansi(BSTR /*FileIn*/, BSTR /*FileOut*/, LONG /*HeaderRowsCount*/, LONG /*OnlySort*/, LONG /*SortOrder*/, LONG /*FileFlagNoBuffering*/, LONG /*SetLocale*/, BSTR /*Locale*/, LONGLONG */*RowsCount*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::HashStringSHA(BSTR /*StringIn*/, LONG /*VersionSHA*/, BSTR */*Hash*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ReDimArray(VARIANT */*array_in_out*/, LONG /*cDims*/, LONG /*cElements1*/, LONG /*lLbound1*/, LONG /*cElements2*/, LONG /*lLbound2*/, LONG /*cElements3*/, LONG /*lLbound3*/, LONG /*cElements4*/, LONG /*lLbound4*/, LONG /*cElements5*/, LONG /*lLbound5*/) { return E_NOTIMPL; }

}  // namespace korvel
