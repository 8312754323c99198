// Keeps the server loaded for the rest of the process once it is loaded.
#pragma once

#include <windows.h>

namespace korvel {

// The statically linked runtime takes a thread-local-storage index the first time the module throws a C++
// exception or starts a thread (its static initialisation already does) and never gives it back, so every
// unload would leak one of the process's 1,088 indexes until the host aborts. Pinned, the module takes one
// for good. What a client sees of an unload is kept by ReturnToLoadStateIfUnused.
void PinThisModule();

// What DllCanUnloadNow answers: S_OK when no object and no lock is left. Since the pinned module stays,
// the stores then go back to their load state, as a real unload and reload would leave them.
HRESULT ReturnToLoadStateIfUnused();

}  // namespace korvel
