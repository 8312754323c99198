// One run of Regsvr32 through the shell, waited for within a bound.
#pragma once

#include <windows.h>

#include <string>

namespace korvel::xll {

// How long start-up and removal wait for Regsvr32 before they count the run as failed.
constexpr DWORD kRegsvr32WaitLimit = 120000;
// Tests lower it; RestoreLoadState puts it back.
extern DWORD Regsvr32WaitLimit;

enum class Regsvr32Outcome {
  kNotStarted,  // the shell refused
  kNoProcess,   // the shell started something but handed back no process to wait for
  kTimedOut,    // still running when the bound ran out
  kFailed,      // ended with a code other than 0
  kSucceeded,   // ended with 0
};

// Starts "Regsvr32" with `arguments` (no owner, verb or folder, SW_SHOW) and waits for it.
Regsvr32Outcome RunRegsvr32(const std::wstring& arguments);

}  // namespace korvel::xll
