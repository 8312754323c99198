// Switching the host into fast mode and back.
#include "add_in.h"

namespace korvel::test {
namespace {

class FastModeTest : public AddInTest {
 protected:
  std::vector<std::wstring> Puts() { return host.model().Puts(); }
  std::vector<std::wstring> Gets() {
    std::vector<std::wstring> out;
    for (const SeenInvoke& i : host.model().invokes())
      if (!(i.flags & DISPATCH_PROPERTYPUT)) out.push_back(i.member);
    return out;
  }
  // The puts with the type of the value each one sent, as "Member=type:value".
  std::vector<std::wstring> TypedPuts() {
    std::vector<std::wstring> out;
    for (const SeenInvoke& i : host.model().invokes())
      if ((i.flags & DISPATCH_PROPERTYPUT) && !i.nested && !i.named_args.empty())
        out.push_back(i.member + L"=" + TypeName(i.named_args.back().vt) + L":" + i.named_args.back().text);
    return out;
  }
  static std::wstring TypeName(VARTYPE vt) {
    switch (vt) {
      case VT_BOOL: return L"VT_BOOL";
      case VT_I4: return L"VT_I4";
      case VT_BSTR: return L"VT_BSTR";
      default: return std::to_wstring(vt);
    }
  }
  std::wstring Setting(const wchar_t* name) { return TextOf(app()->Value(name)); }
  std::wstring PageBreaks() { return TextOf(app()->active_sheet()->Value(L"DisplayPageBreaks")); }
  LONG sheet_refs() { return app()->active_sheet()->refs(); }
};

const std::vector<std::wstring> kSwitchPuts{L"StatusBar=XLL...", L"ScreenUpdating=False", L"Calculation=-4135",
                                            L"EnableEvents=False", L"DisplayPageBreaks=False"};
const std::vector<std::wstring> kInitialRestore{L"StatusBar=False", L"ScreenUpdating=True", L"Calculation=-4105",
                                                L"EnableEvents=True", L"DisplayPageBreaks=True"};

TEST_F(FastModeTest, SwitchReadsThenPutsInOrderAndRestorePutsTheHostsOwnValues) {
  // The host's own settings differ from the initial saved values.
  app()->Value(L"Calculation") = OwnedVariant::I4(2);
  app()->Value(L"EnableEvents") = OwnedVariant::Bool(false);
  app()->active_sheet()->Value(L"DisplayPageBreaks") = OwnedVariant::Bool(false);
  const LONG app_refs = app()->refs(), refs = sheet_refs();

  EXPECT_FALSE(addin.HostFastMode(false));
  EXPECT_FALSE(*addin.HostNormal);
  EXPECT_EQ(Gets(), (std::vector<std::wstring>{L"ScreenUpdating", L"Calculation", L"EnableEvents", L"ActiveSheet",
                                               L"DisplayPageBreaks", L"ActiveSheet"}));
  EXPECT_EQ(Puts(), kSwitchPuts);
  EXPECT_EQ(Setting(L"StatusBar"), L"XLL...");
  EXPECT_EQ(Setting(L"Calculation"), L"-4135");

  host.model().ClearInvokes();
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_TRUE(*addin.HostNormal);
  const std::vector<std::wstring> restore{L"StatusBar=False", L"ScreenUpdating=True", L"Calculation=2",
                                          L"EnableEvents=False", L"DisplayPageBreaks=False"};
  EXPECT_EQ(Puts(), restore);
  EXPECT_EQ(Setting(L"Calculation"), L"2");
  EXPECT_EQ(Setting(L"StatusBar"), L"False");

  // A second restore puts the same saved values again.
  host.model().ClearInvokes();
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_EQ(Puts(), restore);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(app()->refs(), app_refs);
  EXPECT_EQ(sheet_refs(), refs);
}

// The values go over as the host takes them: a Boolean for the three switches and for handing the status
// bar back, a 4-byte integer for the calculation mode, a text for the status bar.
TEST_F(FastModeTest, PutsSendTheirValuesWithTheirTypes) {
  EXPECT_FALSE(addin.HostFastMode(false));
  EXPECT_EQ(TypedPuts(), (std::vector<std::wstring>{L"StatusBar=VT_BSTR:XLL...", L"ScreenUpdating=VT_BOOL:False",
                                                    L"Calculation=VT_I4:-4135", L"EnableEvents=VT_BOOL:False",
                                                    L"DisplayPageBreaks=VT_BOOL:False"}));
  EXPECT_EQ(app()->Value(L"ScreenUpdating").vt, VT_BOOL);
  EXPECT_EQ(app()->Value(L"Calculation").vt, VT_I4);
  EXPECT_EQ(app()->Value(L"StatusBar").vt, VT_BSTR);
  host.model().ClearInvokes();
  EXPECT_FALSE(addin.HostFastMode(true));
  // The values read from the host go back with the host's own types.
  EXPECT_EQ(TypedPuts(), (std::vector<std::wstring>{L"StatusBar=VT_BOOL:False", L"ScreenUpdating=VT_BOOL:True",
                                                    L"Calculation=VT_I4:-4105", L"EnableEvents=VT_BOOL:True",
                                                    L"DisplayPageBreaks=VT_BOOL:True"}));
  EXPECT_EQ(app()->Value(L"StatusBar").vt, VT_BOOL);
}

// Without an active sheet the restore's last put reaches no object: the dotted path reports it and gives
// 0, which counts as made, so the restore gives false when the other puts went through.
TEST_F(FastModeTest, RestoreWithoutAnActiveSheetCountsThePageBreakPutAsMade) {
  app()->set_active_sheet(nullptr);
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_TRUE(*addin.HostNormal);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:IDispatch>DisplayPageBreaks");
  EXPECT_EQ(Puts(), std::vector<std::wstring>(kInitialRestore.begin(), kInitialRestore.end() - 1));

  // The same after a switch, when the sheet went away in fast mode.
  app()->set_active_sheet(static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0)));
  host.ui().Reset();
  EXPECT_FALSE(addin.HostFastMode(false));
  app()->set_active_sheet(nullptr);
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(FastModeTest, SecondSwitchChangesNothing) {
  EXPECT_FALSE(addin.HostFastMode(false));
  host.model().ClearInvokes();
  EXPECT_TRUE(addin.HostFastMode(false));
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_FALSE(*addin.HostNormal);
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_EQ(Setting(L"Calculation"), L"-4105");
}

TEST_F(FastModeTest, RestoreWithoutSwitchPutsTheInitialValues) {
  app()->Value(L"Calculation") = OwnedVariant::I4(-4135);
  EXPECT_FALSE(addin.HostFastMode(true));
  EXPECT_EQ(Puts(), kInitialRestore);
  EXPECT_EQ(Setting(L"Calculation"), L"-4105");
  EXPECT_TRUE(*addin.HostNormal);
}

TEST_F(FastModeTest, PutRefusedDuringSwitchLeavesTheHostNormal) {
  host.model().Fail({L"Application", L"Calculation", DISPATCH_PROPERTYPUT, E_FAIL, 1});
  EXPECT_TRUE(addin.HostFastMode(false));
  EXPECT_TRUE(*addin.HostNormal);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:Calculation");
  // The switch's puts up to the refusal, then the failing call's restore and the switch's own.
  std::vector<std::wstring> expected{L"StatusBar=XLL...", L"ScreenUpdating=False", L"Calculation=-4135 (failed)"};
  expected.insert(expected.end(), kInitialRestore.begin(), kInitialRestore.end());
  expected.insert(expected.end(), kInitialRestore.begin(), kInitialRestore.end());
  EXPECT_EQ(Puts(), expected);
  EXPECT_EQ(Setting(L"ScreenUpdating"), L"True");
  EXPECT_EQ(Setting(L"StatusBar"), L"False");
}

TEST_F(FastModeTest, PutRefusedOnEveryAttemptInRestoreStillMakesTheOthers) {
  EXPECT_FALSE(addin.HostFastMode(false));
  host.model().ClearInvokes();
  host.model().Fail({L"Application", L"EnableEvents", DISPATCH_PROPERTYPUT, E_ACCESSDENIED});
  EXPECT_TRUE(addin.HostFastMode(true));
  EXPECT_TRUE(*addin.HostNormal);
  ASSERT_EQ(boxes().size(), 1u) << "a restore never starts another restore";
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:-2147024891>Function:Invoke>Arg:EnableEvents");
  EXPECT_EQ(Puts(), (std::vector<std::wstring>{L"StatusBar=False", L"ScreenUpdating=True", L"Calculation=-4105",
                                               L"EnableEvents=True (failed)", L"DisplayPageBreaks=True"}));
}

TEST_F(FastModeTest, FailedReadIsNeverPutBackAsTheSetting) {
  app()->active_sheet()->Value(L"DisplayPageBreaks") = OwnedVariant::Bool(false);
  const LONG refs = sheet_refs();
  host.model().Fail({L"Worksheet", L"DisplayPageBreaks", DISPATCH_PROPERTYGET, E_FAIL, 1});
  EXPECT_TRUE(addin.HostFastMode(false));
  EXPECT_TRUE(*addin.HostNormal);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:-2147467259>Function:Invoke>Arg:DisplayPageBreaks");
  // The values read in this switch go back; the page-break setting keeps its earlier saved value, not the
  // sheet on which the read failed.
  EXPECT_EQ(Puts(), kInitialRestore);
  EXPECT_EQ(PageBreaks(), L"True");
  EXPECT_EQ(sheet_refs(), refs);
}

TEST_F(FastModeTest, NoActiveSheetEndsTheSwitchWithTheHostNormal) {
  app()->set_active_sheet(nullptr);
  EXPECT_TRUE(addin.HostFastMode(false));
  EXPECT_TRUE(*addin.HostNormal);
  ASSERT_GE(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:IDispatch>DisplayPageBreaks");
  for (const std::wstring& put : Puts()) EXPECT_EQ(put.find(L"XLL..."), std::wstring::npos);
  EXPECT_EQ(Setting(L"ScreenUpdating"), L"True");
  EXPECT_EQ(Setting(L"StatusBar"), L"False");
}

TEST_F(FastModeTest, HostCallFailureInsideFastModeRestoresOnce) {
  EXPECT_FALSE(addin.HostFastMode(false));
  host.model().ClearInvokes();
  host.api().InjectReturn(xlcSelect, xlretFailed);
  EXPECT_EQ(addin.Excel12X(xlcSelect, nullptr, true, nullptr, 0), xlretFailed);
  EXPECT_TRUE(*addin.HostNormal);
  EXPECT_EQ(Puts().size(), 5u);
  EXPECT_EQ(Setting(L"Calculation"), L"-4105");
  // Back to normal: a later failure restores nothing.
  host.model().ClearInvokes();
  EXPECT_EQ(addin.Excel12X(xlcSelect, nullptr, true, nullptr, 0), xlretFailed);
  EXPECT_TRUE(Puts().empty());
}

}  // namespace
}  // namespace korvel::test
