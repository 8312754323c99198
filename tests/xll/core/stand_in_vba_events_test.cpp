// The stand-in host's VBA projects, add-ins, application events and shell helper, checked against what the
// host itself does, so that the add-in's tests stand on a host that refuses what the real one refuses.
#include "add_in.h"

#include <ocidl.h>
#include <olectl.h>
#include <shellapi.h>

namespace korvel::test {
namespace {

class StandInTest : public AddInTest {
 protected:
  // A call through the add-in's quiet path walker, which the tests trust from its own tests.
  HRESULT Call(const wchar_t* path, VARIANT* object, VARIANT* result, std::vector<OwnedVariant> args = {}) {
    return AutoWrapX(path, object, 0, result, true, &args, 0);
  }
  std::vector<OwnedVariant> AddArgs(const wchar_t* guid, LONG major = 1, LONG minor = 0) {
    std::vector<OwnedVariant> a;
    a.push_back(OwnedVariant::Text(guid));
    a.push_back(OwnedVariant::I4(major));
    a.push_back(OwnedVariant::I4(minor));
    return a;
  }
  LONG CountOf(VARIANT* collection) {
    OwnedVariant n;
    EXPECT_EQ(Call(L"Count", collection, &n), S_OK);
    return n.vt == VT_I4 ? n.lVal : -1;
  }
};

constexpr wchar_t kLibid[] = L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}";

TEST_F(StandInTest, ReferencesOfAProject) {
  OwnedVariant refs;
  ASSERT_EQ(Call(L"ActiveWorkbook.VBProject.References", nullptr, &refs), S_OK);
  EXPECT_EQ(CountOf(&refs), 4);
  OwnedVariant name;
  ASSERT_EQ(Call(L"Item(1).Name", &refs, &name), S_OK);
  EXPECT_EQ(TextOf(name), L"VBA");

  OwnedVariant added;
  EXPECT_EQ(Call(L"AddFromGuid", &refs, &added, AddArgs(kLibid)), S_OK);
  EXPECT_EQ(added.vt, VT_DISPATCH);
  EXPECT_EQ(CountOf(&refs), 5);
  struct {
    const char* name;
    const wchar_t* guid;
    LONG major;
  } const refused[] = {{"duplicate", kLibid, 1},
                       {"no braces", L"55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2", 1},
                       {"unknown library", L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F3}", 1},
                       {"no such major version", kLibid, 2}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.name);
    OwnedVariant none;
    EXPECT_EQ(Call(L"AddFromGuid", &refs, &none, AddArgs(r.guid, r.major)), DISP_E_EXCEPTION);
  }
  EXPECT_EQ(CountOf(&refs), 5);

  std::vector<OwnedVariant> by_name;
  by_name.push_back(OwnedVariant::Text(L"korvelcom"));
  OwnedVariant found;
  ASSERT_EQ(Call(L"Item", &refs, &found, by_name), S_OK);
  OwnedVariant vba;
  ASSERT_EQ(Call(L"Item(1)", &refs, &vba), S_OK);
  std::vector<OwnedVariant> built_in{vba};
  OwnedVariant ignored;
  EXPECT_EQ(Call(L"Remove", &refs, &ignored, built_in), DISP_E_EXCEPTION);

  ProjectOf(app()->active_workbook())->set_protected(true);
  EXPECT_EQ(Call(L"Remove", &refs, &ignored, {found}), DISP_E_EXCEPTION);
  ProjectOf(app()->active_workbook())->set_protected(false);
  EXPECT_EQ(Call(L"Remove", &refs, &ignored, {found}), S_OK);
  EXPECT_EQ(CountOf(&refs), 4);
  EXPECT_EQ(Call(L"Remove", &refs, &ignored, {found}), DISP_E_EXCEPTION);  // no longer in the project

  host.model().set_vba_access_trusted(false);
  OwnedVariant project;
  EXPECT_EQ(Call(L"ActiveWorkbook.VBProject", nullptr, &project), DISP_E_EXCEPTION);
}

TEST_F(StandInTest, AddInWorkbooksAreFoundByNameOnly) {
  host.model().add_ins()->Add(L"KorvelXLL(x64).xll", false);
  host.model().add_ins()->Add(L"Tools.xlam", true);
  OwnedVariant books, add_ins;
  ASSERT_EQ(Call(L"Workbooks", nullptr, &books), S_OK);
  ASSERT_EQ(Call(L"AddIns", nullptr, &add_ins), S_OK);
  EXPECT_EQ(CountOf(&books), 1);
  EXPECT_EQ(CountOf(&add_ins), 2);
  OwnedVariant name, book, missing;
  ASSERT_EQ(Call(L"Item(2).Name", &add_ins, &name), S_OK);
  EXPECT_EQ(TextOf(name), L"Tools.xlam");
  EXPECT_EQ(Call(L"Item", &books, &book, {name}), S_OK);
  EXPECT_EQ(book.vt, VT_DISPATCH);
  EXPECT_EQ(Call(L"Item(2)", &books, &missing), DISP_E_BADINDEX);
  OwnedVariant xll = OwnedVariant::Text(L"KorvelXLL(x64).xll");
  EXPECT_EQ(Call(L"Item", &books, &missing, {xll}), DISP_E_BADINDEX);
}

// A sink that records what the host passes.
struct RecordingSink : IDispatch {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || (iid == IID_IDispatch && speaks_dispatch)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    seen_id = id;
    seen_flags = flags;
    seen.clear();
    for (UINT i = params->cArgs; i > 0; --i) seen.push_back(params->rgvarg[i - 1].vt);
    return S_OK;
  }
  bool speaks_dispatch = true;
  DISPID seen_id = 0;
  WORD seen_flags = 0;
  std::vector<VARTYPE> seen;
};

TEST_F(StandInTest, ApplicationIsAConnectionPointContainerOfItsEvents) {
  korvel::ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(app()->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
  korvel::ComPtr<IUnknown> a, b;
  container->QueryInterface(IID_IUnknown, a.put_void());
  app()->QueryInterface(IID_IUnknown, b.put_void());
  EXPECT_EQ(a.get(), b.get());

  korvel::ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, point.put()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(ApplicationEvents::kEventsInterface, point.put()), S_OK);
  RecordingSink mute;
  mute.speaks_dispatch = false;
  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(&mute, &cookie), CONNECT_E_CANNOTCONNECT);
  RecordingSink sink;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);

  Workbook* book = app()->active_workbook();
  ASSERT_TRUE(host.model().events()->Fire(L"WorkbookBeforeSave", book));
  EXPECT_EQ(sink.seen_id, 0x623);
  EXPECT_EQ(sink.seen_flags, DISPATCH_METHOD);
  EXPECT_EQ(sink.seen, (std::vector<VARTYPE>{VT_DISPATCH, VT_BOOL, VT_BYREF | VT_BOOL}));
  ASSERT_TRUE(host.model().events()->Fire(L"WorkbookAfterSave", book));
  EXPECT_EQ(sink.seen, (std::vector<VARTYPE>{VT_DISPATCH, VT_BOOL}));
  ASSERT_TRUE(host.model().events()->Fire(L"SheetCalculate", app()->active_sheet()));
  EXPECT_EQ(sink.seen_id, 0x61B);
  EXPECT_FALSE(host.model().events()->Fire(L"NoSuchEvent"));

  EXPECT_EQ(point->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_TRUE(host.model().events()->advised().empty());

  host.model().events()->Fail(ApplicationEvents::Step::kContainer, E_NOINTERFACE, 1);
  korvel::ComPtr<IConnectionPointContainer> refused;
  EXPECT_EQ(app()->QueryInterface(IID_IConnectionPointContainer, refused.put_void()), E_NOINTERFACE);
}

TEST_F(StandInTest, ShellHelperExitsWithTheChosenCode) {
  host.ui().StartHelper(7);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = L"Regsvr32";
  info.nShow = SW_SHOW;
  ASSERT_TRUE(ShellExecuteExW(&info));
  ASSERT_NE(info.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(info.hProcess);
  EXPECT_EQ(host.ui().helpers_started(), 1);
  ASSERT_EQ(host.ui().shell_runs().size(), 1u);

  // Without the process asked for, none is handed back.
  info.fMask = 0;
  info.hProcess = nullptr;
  ASSERT_TRUE(ShellExecuteExW(&info));
  EXPECT_EQ(info.hProcess, nullptr);
}

}  // namespace
}  // namespace korvel::test
