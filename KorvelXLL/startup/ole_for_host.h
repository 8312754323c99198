// OLE for the thread that the host opens the add-in on. The loader's notification must not initialise it
// (OleInitialize under the loader lock can deadlock), so the first open does, and the removal undoes only
// what that open did: a thread that had OLE before the add-in keeps it.
#pragma once

namespace korvel::xll {

// OleInitialize, unless an earlier call succeeded and no removal has undone it; success (S_OK or S_FALSE)
// is remembered.
void InitialiseOleForHost();
// OleUninitialize, only when InitialiseOleForHost succeeded since the last call.
void UninitialiseOleForHost();
bool OleInitialisedForHost();
// The remembered initialisation started COM on the thread (S_OK, and no COM before it): undoing it ends COM
// there, and with it the in-process servers COM loaded for the thread.
bool OleFirstInitialisedForHost();

}  // namespace korvel::xll
