// The About text. Not built yet: a null result.
#include "startup/exports.h"

extern "C" XLOPER12* __stdcall HelpXLL() { return nullptr; }
