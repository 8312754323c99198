// Calls of the host's object model by member name and by dotted path.
#include "add_in.h"

namespace korvel::test {
namespace {

using Walk = decltype(&::AutoWrapX);

struct Seen {
  VARTYPE vt;
  std::wstring text;
};

class AutoWrapTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    // A probe object whose members take any arguments and give back a number.
    probe_ = korvel::ComPtr<HostObject>::Adopt(new HostObject(L"Probe"));
    for (const wchar_t* m : {L"Add", L"Item", L"Call"})
      probe_->Define(m, [](HostObject::Call& c) {
        if (c.result) {
          VariantClear(c.result);
          c.result->vt = VT_I4;
          c.result->lVal = 1;
        }
        return S_OK;
      });
    start_ = VDisp(probe_.get());
  }
  void TearDown() override {
    VariantClear(&start_);
    AddInTest::TearDown();
  }
  std::vector<Seen> LastArgs() {
    std::vector<Seen> out;
    if (host.model().invokes().empty()) return out;
    for (const SeenArg& a : host.model().invokes().back().args) out.push_back({a.vt, a.text});
    return out;
  }
  // Reference counts of the objects a path walks, to compare before and after each call.
  std::vector<LONG> Refs() {
    Worksheet* sheet = static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0));
    return {app()->refs(), app()->active_workbook()->sheets()->refs(), sheet->refs(), sheet->Cell(5, 6)->refs(),
            probe_->refs()};
  }

  korvel::ComPtr<HostObject> probe_;
  VARIANT start_;
};

bool operator==(const Seen& a, const Seen& b) { return a.vt == b.vt && a.text == b.text; }
std::ostream& operator<<(std::ostream& os, const Seen& s) {
  return os << s.vt << ":" << std::string(s.text.begin(), s.text.end());
}

struct PathCase {
  const wchar_t* path;
  std::vector<Seen> args;
};

TEST_F(AutoWrapTest, PathArgumentsAreCutConvertedAndPassedInTheirOrder) {
  const std::vector<PathCase> cases = {
      {L"Add(10,1,,1,1)", {{VT_I8, L"10"}, {VT_I8, L"1"}, {VT_BSTR, L""}, {VT_I8, L"1"}, {VT_I8, L"1"}}},
      {L"Item()", {{VT_BSTR, L""}}},
      {L"Item", {}},
      {L"Item(1,2", {{VT_I8, L"1"}}},
      {L"Item(Worksheet Menu Bar)", {{VT_BSTR, L"Worksheet Menu Bar"}}},
      {L"Item(99999999999999999999)", {{VT_BSTR, L"99999999999999999999"}}},
      {L"Item(-9223372036854775808)", {{VT_I8, L"-9223372036854775808"}}},
      {L"Item( 7)", {{VT_I8, L"7"}}},
      {L"Item(a(b)", {{VT_BSTR, L"a(b"}}},
      {L"Item(x)y)", {{VT_BSTR, L"x)y"}}},
      {L"Call(Worksheet Menu Bar,2)", {{VT_BSTR, L"Worksheet Menu Bar"}, {VT_I8, L"2"}}},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(std::string(c.path, c.path + wcslen(c.path)));
    host.model().ClearInvokes();
    EXPECT_EQ(addin.AutoWrapX(c.path, &start_, 0, nullptr, false, nullptr, 0), 0);
    EXPECT_EQ(LastArgs(), c.args);
    ASSERT_FALSE(host.model().invokes().empty());
    EXPECT_EQ(host.model().invokes().back().flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AutoWrapTest, X2PassesPathNumbersAsDoubles) {
  EXPECT_EQ(addin.AutoWrapX2(L"Add(10,1,,x,-3)", &start_, 0, nullptr, false, nullptr, 0), 0);
  EXPECT_EQ(LastArgs(), (std::vector<Seen>{{VT_R8, L"10"}, {VT_R8, L"1"}, {VT_BSTR, L""}, {VT_BSTR, L"x"},
                                           {VT_R8, L"-3"}}));
  EXPECT_EQ(addin.AutoWrapX3(L"Add(10,x)", &start_, 0, nullptr, false, nullptr, 0), 0);
  EXPECT_EQ(LastArgs(), (std::vector<Seen>{{VT_I8, L"10"}, {VT_BSTR, L"x"}}));
}

TEST_F(AutoWrapTest, CallersArgumentsFollowThePathsAndTheVectorWins) {
  for (Walk walk : {addin.AutoWrapX, addin.AutoWrapX2, addin.AutoWrapX3}) {
    VARIANT text = VText(L"GUID"), one = VI4(1);
    EXPECT_EQ(walk(L"Add(5)", &start_, 0, nullptr, false, nullptr, 2, text, one), 0);
    EXPECT_EQ(LastArgs().size(), 3u);
    EXPECT_EQ(LastArgs()[1], (Seen{VT_BSTR, L"GUID"}));
    EXPECT_EQ(LastArgs()[2], (Seen{VT_I4, L"1"}));
    EXPECT_EQ(text.vt, VT_BSTR) << "the caller's VARIANTs are neither kept nor cleared";
    std::vector<OwnedVariant> vec{OwnedVariant::Text(L"a"), OwnedVariant::I4(0)};
    EXPECT_EQ(walk(L"Add", &start_, 0, nullptr, false, &vec, 2, text, one), 0);
    EXPECT_EQ(LastArgs(), (std::vector<Seen>{{VT_BSTR, L"a"}, {VT_I4, L"0"}}));
    VariantClear(&text);
  }
}

TEST_F(AutoWrapTest, PutWithPathValueSetsTheCellsColour) {
  const auto refs = Refs();
  EXPECT_EQ(addin.AutoWrapX(L"Sheets(1).Cells(5,6).Interior.Color(65535)", nullptr, DISPATCH_PROPERTYPUT, nullptr,
                            false, nullptr, 0),
            0);
  // The host's default member (Item of the collection) is recorded too; the add-in's own calls are these.
  std::vector<SeenInvoke> inv;
  for (const SeenInvoke& i : host.model().invokes())
    if (i.member != L"Item") inv.push_back(i);
  ASSERT_EQ(inv.size(), 4u);
  EXPECT_EQ(inv[0].member, L"Sheets");
  EXPECT_EQ(inv[1].member, L"Cells");
  EXPECT_EQ(inv[1].args.size(), 2u);
  EXPECT_EQ(inv[1].args[0].vt, VT_I8);
  EXPECT_EQ(inv[1].args[0].text, L"5");
  EXPECT_EQ(inv[1].args[1].text, L"6");
  EXPECT_EQ(inv[3].member, L"Color");
  EXPECT_EQ(inv[3].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(inv[3].named, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_TRUE(inv[3].args.empty());
  EXPECT_EQ(inv[3].named_args[0].vt, VT_I8);
  EXPECT_EQ(inv[3].named_args[0].text, L"65535");
  Worksheet* sheet = static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0));
  VARIANT color;
  VariantInit(&color);
  VARIANT cell = VDisp(sheet->Cell(5, 6));
  EXPECT_EQ(addin.AutoWrapX(L"Interior.Color", &cell, 0, &color, false, nullptr, 0), 0);
  EXPECT_EQ(TextOf(color), L"65535");
  VariantClear(&cell);
  VariantClear(&color);
  EXPECT_EQ(Refs(), refs);
}

// Every call a walk makes, as the host sees it: each segment a method-or-get call (the last a put when the
// flags ask for one), Invoke with LOCALE_SYSTEM_DEFAULT and IID_NULL, and one name per lookup, looked up
// with LOCALE_USER_DEFAULT and IID_NULL. Calls the stand-in makes itself (a collection's Item) are left out.
TEST_F(AutoWrapTest, EverySegmentIsCalledAsTheHostExpects) {
  const std::vector<std::wstring> members{L"Sheets", L"Cells", L"Interior", L"Color"};
  int which = 0;
  for (Walk walk : {addin.AutoWrapX, addin.AutoWrapX2, addin.AutoWrapX3}) {
    for (int flags : {0, DISPATCH_PROPERTYPUT}) {
      SCOPED_TRACE("walk " + std::to_string(which) + " flags " + std::to_string(flags));
      host.model().ClearInvokes();
      const wchar_t* path = flags ? L"Sheets(1).Cells(5,6).Interior.Color(255)" : L"Sheets(1).Cells(5,6).Interior.Color";
      EXPECT_EQ(walk(path, nullptr, flags, nullptr, false, nullptr, 0), 0);
      std::vector<SeenInvoke> own;
      for (const SeenInvoke& i : host.model().invokes())
        if (!i.nested) own.push_back(i);
      ASSERT_EQ(own.size(), members.size());
      for (size_t k = 0; k < own.size(); ++k) {
        EXPECT_EQ(own[k].member, members[k]);
        const bool put = flags && k + 1 == own.size();
        EXPECT_EQ(own[k].flags, put ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD | DISPATCH_PROPERTYGET) << k;
        EXPECT_EQ(own[k].named, put ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{}) << k;
        EXPECT_EQ(own[k].lcid, static_cast<LCID>(LOCALE_SYSTEM_DEFAULT)) << k;
        EXPECT_TRUE(IsEqualIID(own[k].iid, IID_NULL)) << k;
      }
      std::vector<SeenLookup> lookups;
      for (const SeenLookup& l : host.model().lookups())
        if (!l.nested) lookups.push_back(l);
      ASSERT_EQ(lookups.size(), members.size());
      for (size_t k = 0; k < lookups.size(); ++k) {
        EXPECT_EQ(lookups[k].count, 1u) << k;
        EXPECT_EQ(lookups[k].names, std::vector<std::wstring>{members[k]}) << k;
        EXPECT_EQ(lookups[k].lcid, static_cast<LCID>(LOCALE_USER_DEFAULT)) << k;
        EXPECT_TRUE(IsEqualIID(lookups[k].iid, IID_NULL)) << k;
      }
    }
    ++which;
  }
  host.model().ClearInvokes();
  VARIANT name;
  VariantInit(&name);
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &name, app(), L"Name", 0), S_OK);
  VariantClear(&name);
  ASSERT_EQ(host.model().lookups().size(), 1u);
  EXPECT_EQ(host.model().lookups()[0].count, 1u);
  EXPECT_EQ(host.model().lookups()[0].lcid, static_cast<LCID>(LOCALE_USER_DEFAULT));
  ASSERT_EQ(host.model().invokes().size(), 1u);
  EXPECT_EQ(host.model().invokes()[0].flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(host.model().invokes()[0].lcid, static_cast<LCID>(LOCALE_SYSTEM_DEFAULT));
  EXPECT_TRUE(IsEqualIID(host.model().invokes()[0].iid, IID_NULL));
}

TEST_F(AutoWrapTest, PutValueFromTheCallerAndFlagsWithoutThePutBit) {
  EXPECT_EQ(addin.AutoWrapX(L"Calculation", nullptr, DISPATCH_PROPERTYPUT, nullptr, false, nullptr, 1, VI4(-4135)), 0);
  EXPECT_EQ(TextOf(app()->Value(L"Calculation")), L"-4135");
  for (int flags : {1, 2, 8}) {
    host.model().ClearInvokes();
    EXPECT_EQ(addin.AutoWrapX(L"Add(1)", &start_, flags, nullptr, false, nullptr, 0), 0);
    EXPECT_EQ(host.model().invokes().back().flags, 3);
    EXPECT_TRUE(host.model().invokes().back().named.empty());
  }
}

TEST_F(AutoWrapTest, SameVariantAsObjectAndResultKeepsNoReferenceToTheStart) {
  for (Walk walk : {addin.AutoWrapX, addin.AutoWrapX2, addin.AutoWrapX3}) {
    const auto refs = Refs();
    VARIANT v = VDisp(app());
    EXPECT_EQ(walk(L"Sheets(1).Cells(5,6)", &v, 0, &v, false, nullptr, 0), 0);
    ASSERT_EQ(v.vt, VT_DISPATCH);
    Worksheet* sheet = static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(0));
    EXPECT_EQ(v.pdispVal, static_cast<IDispatch*>(sheet->Cell(5, 6)));
    auto now = Refs();
    EXPECT_EQ(now[0], refs[0]) << "the start object's reference was released";
    EXPECT_EQ(now[3], refs[3] + 1);
    VariantClear(&v);
    EXPECT_EQ(Refs(), refs);
  }
}

struct FailureCase {
  const wchar_t* path;
  MemberFailure failure;
  int flags;
  int rc;
  const wchar_t* x_text;  // after the walk's own name
  const wchar_t* x2_text;
  const wchar_t* x_result;  // what the caller's result holds after the failure in AutoWrapX
};

TEST_F(AutoWrapTest, FailuresReportTheirTextsAndResultsAndLeaveNoReference) {
  const HRESULT unknown = DISP_E_UNKNOWNNAME;
  const std::vector<FailureCase> cases = {
      {L"Sheets(1).Nope", {}, 0, unknown, L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: Nope",
       L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: Nope", L"Worksheet"},
      {L"", {}, 0, unknown, L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: ",
       L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: ", L"Application"},
      {L"Sheets(1).", {}, 0, unknown, L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: ",
       L">ERROR:-2147352570>Function:GetIDsOfNames>Arg: ", L"Worksheet"},
      {L"Sheets(1).Cells(5,6)", {L"Worksheet", L"Cells", 0, E_FAIL}, 0, E_FAIL,
       L">ERROR:-2147467259>Function:Invoke>Arg:Cells", L">ERROR:-2147467259>Function:Invoke>Arg:Cells", L"Worksheet"},
      {L"Sheets(1).Cells(5,6)", {L"Worksheet", L"Cells", 0, E_FAIL, -1, /*clear_result=*/true}, 0, E_FAIL,
       L">ERROR:-2147467259>Function:Invoke>Arg:Cells", L">ERROR:-2147467259>Function:Invoke>Arg:Cells", L"Worksheet"},
      {L"Sheets(1).Cells(5,6).Interior.Color(1)", {L"Interior", L"Color", 0, DISP_E_TYPEMISMATCH}, DISPATCH_PROPERTYPUT,
       DISP_E_TYPEMISMATCH, L">ERROR:-2147352571>Function:Invoke>Arg:Color",
       L">ERROR:-2147352571>Function:Invoke Arg>Color", L"Interior"},
      {L"Sheets(9).Cells(5,6)", {}, 0, DISP_E_BADINDEX, L">ERROR:-2147352565>Function:Invoke>Arg:Sheets",
       L">ERROR:-2147352565>Function:Invoke>Arg:Sheets", L"Application"},
      // A member before the last that gives no object, or a value that is not one: 0, as the walk always gave.
      {L"Name.Length", {}, 0, 0, L">ERROR:IDispatch>Length", L">ERROR:IDispatch>Length", L"text"},
  };
  for (const FailureCase& c : cases) {
    int which = 0;
    for (Walk walk : {addin.AutoWrapX, addin.AutoWrapX2, addin.AutoWrapX3}) {
      const wchar_t* prefix = which == 0 ? L"AutoWrapX" : which == 1 ? L"AutoWrapX2" : L"AutoWrapX3";
      SCOPED_TRACE(std::string(c.path, c.path + wcslen(c.path)) + " " + std::to_string(which));
      host.ui().Reset();
      host.model().ClearFailures();
      if (c.failure.member.size()) host.model().Fail(c.failure);
      const auto refs = Refs();
      VARIANT result = VI4(99);
      EXPECT_EQ(walk(c.path, nullptr, c.flags, &result, false, nullptr, 0), c.rc);
      ASSERT_EQ(boxes().size(), 1u);
      EXPECT_EQ(boxes()[0].text, std::wstring(prefix) + (which == 1 ? c.x2_text : c.x_text));
      EXPECT_EQ(boxes()[0].caption, L"KorvelXLL");
      EXPECT_EQ(boxes()[0].type, 0x40010u);
      EXPECT_EQ(boxes()[0].owner, host.windows().main());
      if (which == 1) {
        EXPECT_EQ(result.vt, VT_I4) << "AutoWrapX2 leaves the result alone after a failure";
      } else if (which == 2) {
        EXPECT_EQ(result.vt, VT_EMPTY) << "AutoWrapX3 leaves the result empty";
      } else if (std::wstring(c.x_result) == L"text") {
        EXPECT_EQ(result.vt, VT_BSTR);
      } else {
        ASSERT_EQ(result.vt, VT_DISPATCH);
        EXPECT_EQ(static_cast<HostObject*>(result.pdispVal)->kind(), c.x_result);
      }
      VariantClear(&result);
      EXPECT_EQ(Refs(), refs);
      // Quiet: the same result, no box.
      host.ui().Reset();
      VARIANT quiet;
      VariantInit(&quiet);
      EXPECT_EQ(walk(c.path, nullptr, c.flags, &quiet, true, nullptr, 0), c.rc);
      EXPECT_TRUE(boxes().empty());
      VariantClear(&quiet);
      EXPECT_EQ(Refs(), refs);
      ++which;
    }
  }
}

TEST_F(AutoWrapTest, FailingMemberThatWritesItsResultLeavesItInX3) {
  host.model().Fail({L"Worksheet", L"Cells", 0, E_FAIL, -1, false, /*write_result=*/true});
  const auto refs = Refs();
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(addin.AutoWrapX3(L"Sheets(1).Cells(1,1)", nullptr, 0, &result, true, nullptr, 0), E_FAIL);
  EXPECT_EQ(TextOf(result), L"7");
  EXPECT_EQ(addin.AutoWrapX(L"Sheets(1).Cells(1,1)", nullptr, 0, &result, true, nullptr, 0), E_FAIL);
  EXPECT_EQ(TextOf(result), L"7");
  VariantClear(&result);
  EXPECT_EQ(Refs(), refs);
}

TEST_F(AutoWrapTest, NullStartAndMissingObjects) {
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  EXPECT_EQ(addin.AutoWrapX(L"ScreenUpdating", nullptr, 0, nullptr, false, nullptr, 0), 1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:IDispatch>ScreenUpdating");
  EXPECT_EQ(addin.AutoWrapX2(L"ScreenUpdating", nullptr, 0, nullptr, true, nullptr, 0), 1);
  *addin.pExcelDisp = app();
  app()->AddRef();

  host.ui().Reset();
  app()->set_active_sheet(nullptr);
  EXPECT_EQ(addin.AutoWrapX(L"ActiveSheet.DisplayPageBreaks", nullptr, 0, nullptr, false, nullptr, 0), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, L"AutoWrapX>ERROR:IDispatch>DisplayPageBreaks");
  app()->set_active_window(nullptr);
  host.ui().Reset();
  EXPECT_EQ(addin.AutoWrapX(L"ActiveWindow.ActivateNext", nullptr, 0, nullptr, true, nullptr, 0), 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AutoWrapTest, FailureInFastModeRestoresTheHostFirstQuietOrNot) {
  for (Walk walk : {addin.AutoWrapX, addin.AutoWrapX2, addin.AutoWrapX3}) {
    for (bool quiet : {false, true}) {
      host.ui().Reset();
      host.model().ClearInvokes();
      *addin.HostNormal = false;
      size_t puts_at_box = 99;
      host.ui().set_on_box([&](const ShownBox&) { puts_at_box = host.model().Puts().size(); });
      EXPECT_NE(walk(L"Sheets(1).Nope", nullptr, 0, nullptr, quiet, nullptr, 0), 0);
      EXPECT_TRUE(*addin.HostNormal);
      EXPECT_EQ(host.model().Puts().size(), 5u);
      EXPECT_EQ(boxes().size(), quiet ? 0u : 1u);
      if (!quiet) EXPECT_EQ(puts_at_box, 5u);
    }
  }
}

TEST_F(AutoWrapTest, ArgumentThatCannotBeCopiedFailsWithoutThrowing) {
  const auto refs = Refs();
  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x7F;  // no such type
  EXPECT_EQ(addin.AutoWrapX(L"Sheets(1).Name", nullptr, 0, nullptr, true, nullptr, 1, bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(Refs(), refs);
}

TEST_F(AutoWrapTest, AutoWrapCallsOneMemberInDispParamsOrder) {
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, nullptr, nullptr, L"Name", 0), 1);
  host.model().ClearInvokes();
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, nullptr, app(), L"Nope", 0), DISP_E_UNKNOWNNAME);
  EXPECT_TRUE(host.model().invokes().empty());

  Worksheet* sheet = app()->active_sheet();
  VARIANT cell;
  VariantInit(&cell);
  // Column first, then row.
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYGET, &cell, sheet, L"CELLS", 2, VI4(6), VI4(5)), S_OK);
  ASSERT_EQ(cell.vt, VT_DISPATCH);
  EXPECT_EQ(cell.pdispVal, static_cast<IDispatch*>(sheet->Cell(5, 6)));
  VariantClear(&cell);
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYPUT, nullptr, app(), L"Calculation", 1, VI4(-4135)), S_OK);
  EXPECT_EQ(TextOf(app()->Value(L"Calculation")), L"-4135");
  EXPECT_EQ(host.model().invokes().back().named, std::vector<DISPID>{DISPID_PROPERTYPUT});
  host.model().Fail({L"Application", L"Calculation", 0, E_ACCESSDENIED});
  EXPECT_EQ(addin.AutoWrap(DISPATCH_PROPERTYPUT, nullptr, app(), L"Calculation", 1, VI4(1)), E_ACCESSDENIED);
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace korvel::test
