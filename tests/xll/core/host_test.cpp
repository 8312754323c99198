// The stand-in host itself and how the add-in sits in it: imports, resource, windows, object model.
#include <oleacc.h>

#include <fstream>
#include <iterator>

#include "add_in.h"

namespace korvel::test {
namespace {

class HostTest : public AddInTest {};

TEST_F(HostTest, AddInTakesXLCallVerFromTheHostsXLCALL32) {
  EXPECT_NE(GetModuleHandleW(L"XLCALL32.DLL"), nullptr);
  EXPECT_EQ(addin.HostCallVersion(), 0x0C00);
}

TEST_F(HostTest, MessageBoxOfTheAddInIsHooked) {
  EXPECT_GE(host.hooked_imports(), 1);
  host.ui().QueueAnswer(IDCANCEL);
  host.api().InjectReturn(xlcCalculateNow, xlretFailed);
  addin.Excel12X(xlcCalculateNow, nullptr, false, nullptr, 0);
  ASSERT_EQ(boxes().size(), 1u);
}

TEST_F(HostTest, AddInHoldsTheServerAsResource105) {
  HRSRC found = FindResourceW(addin.module, MAKEINTRESOURCEW(105), RT_RCDATA);
  ASSERT_NE(found, nullptr);
  const DWORD size = SizeofResource(addin.module, found);
  const void* bytes = LockResource(LoadResource(addin.module, found));
  std::wstring server = L"Z:" + std::wstring(KORVEL_COM_DLL);
  for (wchar_t& c : server)
    if (c == L'/') c = L'\\';
  std::ifstream in(server.c_str(), std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), 1000u);
  EXPECT_EQ(size, file.size());
  EXPECT_EQ(std::string(static_cast<const char*>(bytes), size), file);
}

TEST_F(HostTest, WorkbookWindowGivesTheNativeObjectModel) {
  ASSERT_FALSE(host.windows().workbook_windows().empty());
  HWND book = host.windows().workbook_windows()[0];
  wchar_t cls[32] = {};
  GetClassNameW(book, cls, 32);
  EXPECT_STREQ(cls, L"EXCEL7");
  EXPECT_EQ(GetAncestor(book, GA_ROOT), host.windows().main());

  const LONG app_refs = app()->refs();
  {
    korvel::ComPtr<IDispatch> window;
    ASSERT_EQ(AccessibleObjectFromWindow(book, static_cast<DWORD>(OBJID_NATIVEOM), IID_IDispatch, window.put_void()),
              S_OK);
    EXPECT_EQ(host.windows().object_requests(), 1);
    VARIANT application;
    VariantInit(&application);
    ASSERT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &application, window.get(), L"Application", 0), S_OK);
    ASSERT_EQ(application.vt, VT_DISPATCH);
    // The same Application, reached through its own members.
    VARIANT name;
    VariantInit(&name);
    EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &name, application.pdispVal, L"name", 0), S_OK);
    EXPECT_EQ(TextOf(name), L"Stand-in Spreadsheet");
    VariantClear(&name);
    VariantClear(&application);
  }
  EXPECT_EQ(app()->refs(), app_refs);
}

TEST_F(HostTest, SameThingIsTheSameObject) {
  VARIANT a, b;
  VariantInit(&a);
  VariantInit(&b);
  ASSERT_EQ(addin.AutoWrapX(L"Sheets(2).Cells(3,4)", nullptr, 0, &a, true, nullptr, 0), 0);
  ASSERT_EQ(addin.AutoWrapX(L"Workbooks(Book1).Worksheets(Sheet2).Cells(3,4)", nullptr, 0, &b, true, nullptr, 0), 0);
  ASSERT_EQ(a.vt, VT_DISPATCH);
  ASSERT_EQ(b.vt, VT_DISPATCH);
  EXPECT_EQ(a.pdispVal, b.pdispVal);
  VARIANT address;
  VariantInit(&address);
  EXPECT_EQ(addin.AutoWrapX(L"Address", &a, 0, &address, true, nullptr, 0), 0);
  EXPECT_EQ(TextOf(address), L"$D$3");
  VariantClear(&address);
  VariantClear(&a);
  VariantClear(&b);
}

TEST_F(HostTest, HostRefusesFunctionNumbersItDoesNotServe) {
  XLOPER12 result{{}, xltypeMissing};
  // 0x8020 is no command of the host's; 0x801F is its calculation command.
  EXPECT_EQ(addin.Excel12(0x8020, &result, 0), xlretInvXlfn);
  EXPECT_EQ(addin.Excel12(0x801F, &result, 0), xlretSuccess);
  ASSERT_EQ(host.api().unknown_functions(), std::vector<int>{0x8020});
  host.api().ForgetUnknownFunctions();  // the refusal was this test's purpose
}

TEST_F(HostTest, EachWindowHasItsFrameAndTheActiveOneIsTheHostsHandle) {
  Workbook* second = app()->AddWorkbook(L"Book2");
  HostObject* window = app()->AddWindow(second);
  ASSERT_EQ(host.windows().workbook_windows().size(), 2u);
  HWND first_frame = host.windows().main();
  HWND second_frame = host.windows().FrameOf(window);
  ASSERT_NE(second_frame, nullptr);
  EXPECT_NE(first_frame, second_frame);
  EXPECT_EQ(GetAncestor(host.windows().workbook_windows()[1], GA_ROOT), second_frame);
  EXPECT_EQ(addin.GetHostHwnd(), first_frame);

  ASSERT_EQ(addin.AutoWrapX(L"ActiveWindow.ActivateNext", nullptr, 0, nullptr, false, nullptr, 0), 0);
  EXPECT_EQ(app()->active_window(), window);
  EXPECT_EQ(addin.GetHostHwnd(), second_frame);
  ASSERT_EQ(addin.AutoWrapX(L"ActiveWindow.ActivateNext", nullptr, 0, nullptr, false, nullptr, 0), 0);
  EXPECT_EQ(addin.GetHostHwnd(), first_frame);
}

}  // namespace
}  // namespace korvel::test
