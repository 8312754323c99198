// QR-code and image files of the toolbox. Members that are not built yet answer E_NOTIMPL.
#include "vba.h"

namespace korvel {

STDMETHODIMP CVBA::QRcodePrint(BSTR /*QRcodeText*/, BSTR /*FileOut*/, LONGLONG /*FormatImageOut*/, LONGLONG /*SizePixel*/, LONGLONG /*PixelColorR*/, LONGLONG /*PixelColorG*/, LONGLONG /*PixelColorB*/, LONGLONG /*VersionSymbol*/, LONGLONG /*LevelErrCorrect*/, BSTR */*FileOutPath*/) { return E_NOTIMPL; }

STDMETHODIMP CVBA::ConvertFormatImage(BSTR /*FileIn*/, BSTR /*FileOut*/, BYTE /*FormatImageOut*/) { return E_NOTIMPL; }

}  // namespace korvel
