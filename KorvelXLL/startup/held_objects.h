// The host's and the server's objects that the add-in holds for as long as it is loaded.
#pragma once

namespace korvel::xll {

// Releases pExcelDisp and pComServerDisp and leaves both null.
void ReleaseHeldObjects();

}  // namespace korvel::xll
