// The add-in's process-wide state as the library has it right after load. Tests that hold the add-in's core
// in their own program put it back there before each case; each concern adds what it keeps.
#pragma once

namespace korvel::xll {

// Releases the held host and server objects and puts every process-wide value back to its load state.
void RestoreLoadState();

}  // namespace korvel::xll
