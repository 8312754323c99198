// Help: writes the server's HTML page to the temporary folder and opens it with the shell.
#pragma once

#include <windows.h>

namespace korvel {

HRESULT ShowHelpPage();

}  // namespace korvel
