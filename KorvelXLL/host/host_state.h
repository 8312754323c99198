// Process-wide values of the add-in that live as long as the library.
#pragma once

#include <windows.h>
#include <oaidl.h>

// Named without a namespace: the host's test bench and later tools reach them by these export names.
extern "C" {
// The host's Application object, the root of every dotted path; null until start-up finds it. Holds a reference.
extern IDispatch* pExcelDisp;
// The server's VBA object; null until the server is bound. Holds a reference.
extern IDispatch* pComServerDisp;
// False while the host is in fast mode.
extern bool HostNormal;
// 1 Test, 2 User (at load), 3 Fast.
extern int OperatingMode;
// 2 Russian (at load), 1 English.
extern int MenuLanguage;
// What start-up has done so far, in the order the About log prints them; see StartupCounter.
extern long long StartupCounters[11];
}

namespace korvel::xll {

// Positions in StartupCounters.
enum StartupCounter : int {
  kFunctionsRegistered = 0,  // +1 at the end of every registration pass
  kTemporaryWorkbook = 1,    // +1 for each workbook start-up creates to reach the host
  kHostDispatch = 2,         // +1 each time the workbook-window search takes the Application object
  kMenusBuilt = 3,           // +1 each time the menu builder finishes a walk over the windows
  kServerWritten = 4,        // +1 each time the server file is written and closed
  kServerRegistered = 5,     // the server counts as registered; 0 again when the removal unregisters it
  kServerHidden = 6,         // +1 when the server file is marked hidden
  kServerDispatch = 7,       // +1 when the server's VBA object is created
  kVbaReferences = 8,        // +1 per reference added, -1 per reference removed
  kSinkConnected = 9,        // +1 when the event sink is connected; 0 when the removal disconnects it
  kVbaAccess = 10,           // 1 at load; 0 once a workbook's VBA project cannot be read
};

// Caption of every message box of the add-in and the start of its add-in-manager name.
extern const wchar_t* const ProductTitle;
extern const wchar_t* const ProductSite;
extern const wchar_t* const HelpTopic;
extern const wchar_t* const ContactMailbox;
extern const wchar_t* const ContactBlog;

}  // namespace korvel::xll
