// Array reshaping of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::Transpose(VARIANT */*array_in_out*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ReDimArray(VARIANT */*array_in_out*/, LONG /*cDims*/, LONG /*cElements1*/, LONG /*lLbound1*/, LONG /*cElements2*/, LONG /*lLbound2*/, LONG /*cElements3*/, LONG /*lLbound3*/, LONG /*cElements4*/, LONG /*lLbound4*/, LONG /*cElements5*/, LONG /*lLbound5*/) { return E_NOTIMPL; }

}  // namespace korvel
