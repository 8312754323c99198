#include "toolbox/qr_symbol.h"

#include <climits>
#include <string>

namespace korvel {

QrSymbol EncodeQrSymbol(const wchar_t* text, UINT length, int version, int level) {
  if (!text || length == 0 || length > static_cast<UINT>(INT_MAX)) return nullptr;
  int count = static_cast<int>(length);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, count, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return nullptr;
  std::string utf8(static_cast<size_t>(bytes), '\0');  // the string's own terminator ends the library's read
  if (WideCharToMultiByte(CP_UTF8, 0, text, count, &utf8[0], bytes, nullptr, nullptr) != bytes) return nullptr;
  return QrSymbol(QRcode_encodeString(utf8.c_str(), version, static_cast<QRecLevel>(level), QR_MODE_8, 1));
}

}  // namespace korvel
