// A QR symbol from libqrencode, owned: the text goes in as UTF-8, in 8-bit mode where it is not digits or
// upper-case letters, and the symbol is released with the owner.
#pragma once

#include <windows.h>

#include <memory>

#include <qrencode.h>

namespace korvel {

struct QrSymbolFree {
  void operator()(QRcode* symbol) const { QRcode_free(symbol); }
};
using QrSymbol = std::unique_ptr<QRcode, QrSymbolFree>;

// The symbol of `length` UTF-16 units of `text` (embedded U+0000 included: the library stops at the first
// zero byte) at `version` (0: the smallest that holds the text; a too-small one is raised) and error-correction
// `level` 0 to 3. Null when the text cannot be converted or fits no version at that level.
QrSymbol EncodeQrSymbol(const wchar_t* text, UINT length, int version, int level);

}  // namespace korvel
