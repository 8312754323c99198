#include "add_in.h"

#include "apartment_environment.h"
#include "startup/load_state.h"

namespace korvel::test {

std::wstring AddInPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::wstring ProgramPath() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, n);
}

AddIn& AddIn::Get() {
  static AddIn addin;
  return addin;
}

AddIn::AddIn() {
  // The add-in's core is linked into this program: the program is the add-in's module.
  module = Host::Get().AdoptLinkedAddIn(ProgramPath());
#define KORVEL_BIND(name) name = &::name
  KORVEL_BIND(Excel12);
  KORVEL_BIND(Excel12v);
  KORVEL_BIND(Excel12X);
  KORVEL_BIND(GetHostHwnd);
  KORVEL_BIND(HostCallVersion);
  KORVEL_BIND(NewXLStr);
  KORVEL_BIND(NewXLStrFromWString);
  KORVEL_BIND(NewXLArray);
  KORVEL_BIND(NewXLAreaRef);
  KORVEL_BIND(CellCount);
  KORVEL_BIND(FreeXLOper);
  KORVEL_BIND(AutoWrap);
  KORVEL_BIND(AutoWrapX);
  KORVEL_BIND(AutoWrapX2);
  KORVEL_BIND(AutoWrapX3);
  KORVEL_BIND(HostFastMode);
  KORVEL_BIND(SwapMenuTables);
  KORVEL_BIND(xlAutoFree12);
  KORVEL_BIND(SetExcel12EntryPt);
#undef KORVEL_BIND
  pExcelDisp = &::pExcelDisp;
  HostNormal = &::HostNormal;
  OperatingMode = &::OperatingMode;
  ActiveMenuTable = &::ActiveMenuTable;
  OtherMenuTable = &::OtherMenuTable;
}

void AddInTest::SetUp() {
  ASSERT_NE(addin.module, nullptr) << "the add-in did not load";
  ASSERT_NE(addin.AutoWrapX, nullptr);
  StartAfresh();
}

void AddInTest::StartAfresh() {
  korvel::xll::RestoreLoadState();
  host.Reset();
  *addin.pExcelDisp = app();
  app()->AddRef();
  *addin.HostNormal = true;
}

void AddInTest::TearDown() {
  // A function number that the host does not serve is a fault of the add-in, whatever the test looked at.
  EXPECT_TRUE(host.api().unknown_functions().empty())
      << "the add-in called a function number the host does not serve: " << host.api().unknown_functions()[0];
  // The add-in gives back what it holds (the event connection, held objects) while the host still lives: a
  // test run alone in its process would otherwise leave them to static destruction after the host is gone.
  korvel::xll::RestoreLoadState();
  if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
  // What the add-in did that the host would leak from or not survive fails the test that did it.
  for (const std::wstring& fault : host.model().faults())
    ADD_FAILURE() << "host fault: " << std::string(fault.begin(), fault.end());
}

VARIANT VI4(LONG v) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}

VARIANT VText(const wchar_t* text) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_BSTR;
  x.bstrVal = SysAllocString(text);
  return x;
}

VARIANT VDisp(IDispatch* d) {
  VARIANT x;
  VariantInit(&x);
  x.vt = VT_DISPATCH;
  x.pdispVal = d;
  if (d) d->AddRef();
  return x;
}

std::wstring TextOf(const VARIANT& v) { return SeeArg(v).text; }

}  // namespace korvel::test
