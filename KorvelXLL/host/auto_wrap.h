// Calls of the host's object model (and of the server's VBA object) by member name: one member, or a
// dotted path of members with literal arguments. Only the host's main thread calls these.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "host/owned_variant.h"

extern "C" {
// One member of `object`: `count` VARIANTs follow in DISPPARAMS order (the member's last argument first),
// used as they are. No messages. 1 for a null object, else the HRESULT of the lookup or of Invoke.
HRESULT AutoWrap(int flags, VARIANT* result, IDispatch* object, const wchar_t* name, int count, ...);

// A dotted path such as "Sheets(1).Cells(5,6).Interior.Color(65535)" from `object` (a VARIANT holding an
// object) or from pExcelDisp. Path arguments that read as 64-bit integers are passed as VT_I8, others as
// text; `args` (natural order) or else `count` VARIANTs join the last member. Flags with bit 4 make the
// last member a put. Failures show an error box unless `quiet` and put the host back from fast mode first.
int AutoWrapX(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
              std::vector<korvel::xll::OwnedVariant>* args, int count, ...);
// As AutoWrapX, holding each object in a second VARIANT; the caller's result is empty after a failure
// unless the failing member wrote into it.
int AutoWrapX3(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
               std::vector<korvel::xll::OwnedVariant>* args, int count, ...);
// As AutoWrapX with path numbers passed as doubles; the caller's result is written only after success.
int AutoWrapX2(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
               std::vector<korvel::xll::OwnedVariant>* args, int count, ...);
}
