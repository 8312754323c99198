// The QR-code picture in a cell. Not built yet: a null result, as every failure of it gives.
#include "startup/exports.h"

extern "C" XLOPER12* __stdcall QRcodePrint(wchar_t*, XLOPER12*, XLOPER12*, XLOPER12*, XLOPER12*, XLOPER12*,
                                           XLOPER12*, XLOPER12*, XLOPER12*) {
  return nullptr;
}
