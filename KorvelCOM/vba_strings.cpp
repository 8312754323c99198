// String functions of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::FilterUnicodeChar(BSTR /*StringIn*/, BSTR /*EnableChar*/, BSTR /*DisableChar*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::Trim(BSTR /*StringIn*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::InStr(BSTR /*StringIn*/, BSTR /*StringFindin*/, LONG /*Start*/, LONG */*Position*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::Replace(BSTR /*StringIn*/, BSTR /*StringFind*/, BSTR /*StringReplace*/, LONG /*Start*/, LONG /*Count*/, BSTR */*StringOut*/) { return E_NOTIMPL; }

}  // namespace korvel
