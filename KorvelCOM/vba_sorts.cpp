// Array sorts of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::ArraySortS(VARIANT */*array_in_out*/, VARIANT_BOOL /*sort_order*/, LONG /*key_1*/, LONG /*key_2*/, LONG /*key_3*/, LONG /*sort_orientation*/, VARIANT_BOOL /*delete_duplicates*/, VARIANT_BOOL /*out_array_index*/, VARIANT */*index_array_out*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ArraySortV(VARIANT */*array_in_out*/, LONG /*key_1*/, VARIANT_BOOL /*sort_order1*/, LONG /*key_2*/, VARIANT_BOOL /*sort_order2*/, LONG /*key_3*/, VARIANT_BOOL /*sort_order3*/) { return E_NOTIMPL; }

}  // namespace korvel
