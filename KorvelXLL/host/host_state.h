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
}

namespace korvel::xll {

// Caption of every message box of the add-in and the start of its add-in-manager name.
extern const wchar_t* const ProductTitle;
extern const wchar_t* const ProductSite;
extern const wchar_t* const HelpTopic;
extern const wchar_t* const ContactMailbox;
extern const wchar_t* const ContactBlog;

}  // namespace korvel::xll
