// Registration and removal of the server: the registry scripts of the object map and the type library,
// machine-wide or for the current user.
#pragma once

#include <windows.h>

namespace korvel {

HRESULT RegisterServer(bool per_user);
HRESULT UnregisterServer(bool per_user);

}  // namespace korvel
