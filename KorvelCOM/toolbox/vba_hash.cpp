// SHA digests of the toolbox.

#include "common/ansi_text.h"
#include "common/com_owners.h"
#include "toolbox/sha_digest.h"
#include "toolbox/vba.h"

namespace korvel {

STDMETHODIMP CVBA::HashStringSHA(BSTR StringIn, LONG VersionSHA, BSTR* Hash) {
  return Guarded([&]() -> HRESULT {
    if (!Hash) return E_POINTER;
    std::unique_ptr<ShaHexPipeline> pipeline = ShaHexPipeline::Open(VersionSHA);
    if (!pipeline) return E_INVALIDARG;
    // The message is the text's ANSI form up to its first U+0000 (a null BSTR is the empty text), hashed
    // as it is converted.
    ToAnsiInPieces(StringIn, SysStringLen(StringIn),
                   [&](const char* bytes, size_t length) { pipeline->Add(bytes, length); });
    const std::string hex = pipeline->Finish();
    *Hash = AnsiToBstr(hex.data(), hex.size());
    return S_OK;
  });
}

}  // namespace korvel
