// The steps of start-up and removal that the life cycle runs in order, each while its counter says it has
// not succeeded yet. Each step is the code of its own concern; the life cycle only calls them.
#pragma once

namespace korvel::xll {

// The registration pass: every worksheet function, the About function and every command of the active menu
// table.
void RegisterAll();

// The COM server: written from resource 105 to the temporary folder and registered for the current user;
// the code says how far it got (0 after the registration step).
int ExtractComServer();
// Creates the server's VBA object into pComServerDisp.
void BindComServer();
// Removal: unregisters the server when its file can be replaced.
void UnregisterComServer();

// Adds (or removes) the server's type-library reference in the active workbook, or in every open workbook
// and every add-in open as a workbook; 0 when done, -1 when refused or failed.
int VbaReference(bool add, bool active_only);
// The start-up walk over the workbooks runs while this is true: no walk adding the reference to every
// workbook has got through since load or since the removal's walk. (The reference tally cannot gate it: a
// removal that takes out references the add-in never added leaves it off 0 for good.)
bool StartupReferencePassPending();
// Connects the event sink to the host's application events; false when a step failed.
bool ConnectEventSink();
// Removal: disconnects the event sink.
void DisconnectEventSink();

}  // namespace korvel::xll
