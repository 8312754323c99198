// SHA digests of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::HashStringSHA(BSTR /*StringIn*/, LONG /*VersionSHA*/, BSTR */*Hash*/) { return E_NOTIMPL; }

}  // namespace korvel
