// What the installation of the COM server keeps for the removal: the file's path, the arguments of both
// Regsvr32 runs and the server's bytes.
#pragma once

#include <string>

#include "startup/com_server_file.h"

namespace korvel::xll {

// Empty until an installation reached the temporary folder.
extern std::wstring ServerTempPath;
// "/s /n /i" and the quoted path: Regsvr32 calls the server's DllInstall(TRUE), which registers per user.
extern std::wstring ServerRegisterArgs;
// "/s /u /n /i" and the quoted path: DllInstall(FALSE), which takes away exactly the per-user registration.
extern std::wstring ServerUnregisterArgs;
// The bytes of resource 105, kept for the removal's rewrite.
extern ServerBytes KeptServerBytes;

// Back to the load state: nothing installed, the wait bound and the file calls as shipped.
void RestoreServerInstallLoadState();

}  // namespace korvel::xll
