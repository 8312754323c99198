// The start-up walk, the removal's walk and the actions of the event sink: the reference to the server's type
// library, added by its identifier and found again by its name. Every host call is quiet.
#include "startup/vba_reference.h"

#include <new>
#include <vector>

// The one definition of the server's identifiers in the add-in; the server's interface definition fixes them.
#include <initguid.h>
// The generated header writes string defaults as literals.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wwrite-strings"
#include "KorvelCOM_h.h"
#pragma GCC diagnostic pop

#include "host/auto_wrap.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "startup/startup_steps.h"

namespace korvel::xll {

const wchar_t* const kReferenceName = L"KorvelCOM";

const std::wstring& ServerLibidText() {
  static const std::wstring text = [] {
    wchar_t buffer[40] = {};
    const int n = StringFromGUID2(LIBID_KorvelCOM, buffer, 40);
    return std::wstring(buffer, n > 0 ? n - 1 : 0);
  }();
  return text;
}

namespace {

// Set by a walk over all workbooks that got through, cleared by the removal's walk.
bool g_reference_pass_done = false;

using Args = std::vector<OwnedVariant>;

bool Call(const wchar_t* path, VARIANT* object, OwnedVariant& result, Args* args = nullptr) {
  return AutoWrapX(path, object, 0, &result, /*quiet=*/true, args, 0) == 0;
}

bool IsObject(const VARIANT& v) { return v.vt == VT_DISPATCH && v.pdispVal; }

OwnedVariant Object(IDispatch* d) {
  OwnedVariant v;
  v.vt = VT_DISPATCH;
  v.pdispVal = d;
  if (d) d->AddRef();
  return v;
}

bool ReadCount(VARIANT& collection, LONG& count) {
  OwnedVariant value;
  if (!Call(L"Count", &collection, value)) return false;
  if (FAILED(VariantChangeType(&value, &value, 0, VT_I4))) return false;
  count = value.lVal;
  return true;
}

bool AddTo(OwnedVariant& book) {
  Args args;
  args.push_back(OwnedVariant::Text(ServerLibidText().c_str()));
  args.push_back(OwnedVariant::I4(1));
  args.push_back(OwnedVariant::I4(0));
  OwnedVariant added;
  if (!Call(L"VBProject.References.AddFromGuid", &book, added, &args)) return false;
  ++StartupCounters[kVbaReferences];
  return true;
}

bool RemoveFrom(OwnedVariant& book) {
  OwnedVariant references;
  if (!Call(L"VBProject.References", &book, references) || !IsObject(references)) return false;
  Args name;
  name.push_back(OwnedVariant::Text(kReferenceName));
  OwnedVariant reference;
  if (!Call(L"Item", &references, reference, &name)) return false;
  Args which;
  which.push_back(reference);
  OwnedVariant removed;
  if (!Call(L"Remove", &references, removed, &which)) return false;
  --StartupCounters[kVbaReferences];
  return true;
}

bool Change(bool add, OwnedVariant& book) { return add ? AddTo(book) : RemoveFrom(book); }

// A project that cannot be read means the host refuses programs access to VBA projects: from then on every
// call is refused at once.
void ProbeAccess(OwnedVariant& book) {
  OwnedVariant project;
  if (!Call(L"VBProject", &book, project)) StartupCounters[kVbaAccess] = 0;
}

// Refusals that come before any host call.
bool Refused() {
  if (StartupCounters[kServerRegistered] == 0 || StartupCounters[kVbaAccess] == 0) return true;
  if (!pExcelDisp) {
    MessageBoxW(GetHostHwnd(), L"Reference no pExcelDisp: ", ProductTitle, MB_ICONHAND | MB_TOPMOST);
    return true;
  }
  return false;
}

int WalkAllWorkbooks(bool add) {
  OwnedVariant books;
  LONG n = 0;
  if (!Call(L"Workbooks", nullptr, books) || !IsObject(books) || !ReadCount(books, n)) return -1;
  for (LONG i = 1; i <= n; ++i) {
    Args index;
    index.push_back(OwnedVariant::I4(i));
    OwnedVariant book;
    if (Call(L"Item", &books, book, &index) && IsObject(book)) Change(add, book);
  }
  // Add-ins open as workbooks are found by name only: the workbooks' count and indexes leave them out.
  OwnedVariant add_ins;
  LONG m = 0;
  if (!Call(L"AddIns", nullptr, add_ins) || !IsObject(add_ins) || !ReadCount(add_ins, m)) return -1;
  for (LONG i = 1; i <= m; ++i) {
    Args index;
    index.push_back(OwnedVariant::I4(i));
    OwnedVariant add_in;
    if (!Call(L"Item", &add_ins, add_in, &index) || !IsObject(add_in)) return -1;
    Args name(1);
    if (!Call(L"Name", &add_in, name[0])) return -1;
    OwnedVariant book;
    if (Call(L"Item", &books, book, &name) && IsObject(book)) Change(add, book);
  }
  return 0;
}

int Reference(bool add, bool active_only) {
  if (!add && !active_only) g_reference_pass_done = false;
  if (Refused()) return -1;
  OwnedVariant active;
  if (!Call(L"ActiveWorkbook", nullptr, active)) return -1;
  // Right after start-up no workbook is active: the access flag then stays as it is.
  if (IsObject(active)) ProbeAccess(active);
  if (active_only) {
    if (!IsObject(active)) return -1;
    return Change(add, active) ? 0 : -1;
  }
  const int result = WalkAllWorkbooks(add);
  if (add && result == 0) g_reference_pass_done = true;
  return result;
}

int ReferenceIn(bool add, IDispatch* workbook) {
  if (!workbook) return Reference(add, true);
  if (Refused()) return -1;
  OwnedVariant book = Object(workbook);
  ProbeAccess(book);
  return Change(add, book) ? 0 : -1;
}

}  // namespace

int VbaReference(bool add, bool active_only) {
  try {
    return Reference(add, active_only);
  } catch (const VariantError&) {
    return -1;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

int VbaReferenceInWorkbook(bool add, IDispatch* workbook) {
  try {
    return ReferenceIn(add, workbook);
  } catch (const VariantError&) {
    return -1;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

bool StartupReferencePassPending() { return !g_reference_pass_done; }

void RestoreReferenceLoadState() { g_reference_pass_done = false; }

}  // namespace korvel::xll
