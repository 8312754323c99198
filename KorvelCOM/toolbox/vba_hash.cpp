// SHA digests of the toolbox.

#include "common/ansi_text.h"
#include "common/com_owners.h"
#include "toolbox/sha_digest.h"
#include "toolbox/vba.h"

namespace korvel {

STDMETHODIMP CVBA::HashStringSHA(BSTR StringIn, LONG VersionSHA, BSTR* Hash) {
  return Guarded([&]() -> HRESULT {
    if (!Hash) return E_POINTER;
    if (!IsShaSelector(VersionSHA)) return E_INVALIDARG;
    // The message is the text's ANSI form up to its first U+0000 (a null BSTR is the empty text).
    std::string message = ToAnsi(StringIn);
    std::optional<std::string> hex = ShaHexDigest(VersionSHA, message);
    if (!hex) return E_INVALIDARG;
    *Hash = AnsiToBstr(hex->data(), hex->size());
    return S_OK;
  });
}

}  // namespace korvel
