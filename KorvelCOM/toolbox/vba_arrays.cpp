// Array reshaping of the toolbox: the array is used through a reference when the VARIANT holds one.
#include "common/array_reshape.h"
#include "common/com_owners.h"
#include "common/safearray_access.h"
#include "toolbox/vba.h"

namespace korvel {

STDMETHODIMP CVBA::Transpose(VARIANT* array_in_out) {
  return Guarded([&]() -> HRESULT {
    SAFEARRAY** slot = ArraySlot(array_in_out);
    if (!slot || !*slot) return E_INVALIDARG;
    return TransposeInPlace(*slot);
  });
}

// Only the dimension count and the first two lower bounds mean anything; the other arguments are kept
// for the interface.
STDMETHODIMP CVBA::ReDimArray(VARIANT* array_in_out, LONG cDims, LONG /*cElements1*/, LONG lLbound1, LONG /*cElements2*/,
                              LONG lLbound2, LONG /*cElements3*/, LONG /*lLbound3*/, LONG /*cElements4*/,
                              LONG /*lLbound4*/, LONG /*cElements5*/, LONG /*lLbound5*/) {
  return Guarded([&]() -> HRESULT {
    SAFEARRAY** slot = ArraySlot(array_in_out);
    if (!slot || !*slot) return E_INVALIDARG;
    return SwitchDimensions(slot, cDims, lLbound1, lLbound2);
  });
}

}  // namespace korvel
