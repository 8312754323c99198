#include "add_in.h"

#include "apartment_environment.h"

namespace korvel::test {
namespace {

template <class T>
void Bind(HMODULE m, T& fn, const char* name) {
  fn = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

}  // namespace

std::wstring AddInPath() {
  std::wstring out = L"Z:" + std::wstring(KORVEL_XLL);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

AddIn& AddIn::Get() {
  static AddIn addin;
  return addin;
}

AddIn::AddIn() {
  module = Host::Get().LoadAddIn(AddInPath());
  if (!module) return;
#define KORVEL_BIND(name) Bind(module, name, #name)
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
  pExcelDisp = Host::Get().Data<IDispatch*>("pExcelDisp");
  HostNormal = Host::Get().Data<bool>("HostNormal");
  OperatingMode = Host::Get().Data<int>("OperatingMode");
  ActiveMenuTable = Host::Get().Data<MenuTable>("ActiveMenuTable");
  OtherMenuTable = Host::Get().Data<MenuTable>("OtherMenuTable");
}

void AddInTest::SetUp() {
  ASSERT_NE(addin.module, nullptr) << "the add-in did not load";
  ASSERT_NE(addin.AutoWrapX, nullptr);
  if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
  host.Reset();
  *addin.pExcelDisp = app();
  app()->AddRef();
  *addin.HostNormal = true;
}

void AddInTest::TearDown() {
  if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
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
