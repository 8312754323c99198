// The type-library reference in the VBA projects: the walk over every workbook and every add-in open as a
// workbook, the active workbook, the access probe, and the refusals.
#include "add_in.h"

#include "startup/startup_steps.h"
#include "startup/vba_reference.h"

namespace korvel::test {
namespace {

using Names = std::vector<std::wstring>;
const Names kOne = {L"KorvelCOM"};
const Names kNone = {};

class VbaReferenceTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartupCounters[kServerRegistered] = 1;
    book1 = app()->active_workbook();
    book2 = app()->AddWorkbook(L"Book2");
  }
  static Names Refs(HostObject* book) { return ProjectOf(book)->AddedReferences(); }
  long long Tally() const { return StartupCounters[kVbaReferences]; }
  std::vector<SeenInvoke> InvokesOf(const std::wstring& member) const {
    std::vector<SeenInvoke> out;
    for (const SeenInvoke& s : host.model().invokes())
      if (s.member == member) out.push_back(s);
    return out;
  }
  // A reference that the workbook already holds, as a saved workbook brings it.
  static void GiveReference(HostObject* book) {
    VARIANT project = VDisp(ProjectOf(book));
    EXPECT_EQ(AutoWrapX(L"References.AddFromGuid", &project, 0, nullptr, true, nullptr, 3,
                        VText(L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}"), VI4(1), VI4(0)),
              0);
    VariantClear(&project);
  }

  Workbook* book1 = nullptr;
  Workbook* book2 = nullptr;
};

TEST_F(VbaReferenceTest, StartUpWalkAddsToEveryWorkbookAndEveryAddInWorkbook) {
  host.model().add_ins()->Add(L"KorvelXLL(x64).xll", false);  // an XLL: no workbook behind it
  Workbook* tools = host.model().add_ins()->Add(L"Tools.xlam", true);
  EXPECT_TRUE(StartupReferencePassPending());

  EXPECT_EQ(VbaReference(true, false), 0);

  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kOne);
  EXPECT_EQ(Refs(tools), kOne);
  EXPECT_EQ(Tally(), 3);
  EXPECT_FALSE(StartupReferencePassPending());
  EXPECT_TRUE(boxes().empty());
  const std::vector<SeenInvoke> adds = InvokesOf(L"AddFromGuid");
  ASSERT_EQ(adds.size(), 3u);
  for (const SeenInvoke& add : adds) {
    ASSERT_EQ(add.args.size(), 3u);
    EXPECT_EQ(add.args[0].vt, VT_BSTR);
    EXPECT_EQ(add.args[0].text, L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}");
    EXPECT_EQ(add.args[1].vt, VT_I4);
    EXPECT_EQ(add.args[1].text, L"1");
    EXPECT_EQ(add.args[2].vt, VT_I4);
    EXPECT_EQ(add.args[2].text, L"0");
  }

  // The removal's walk takes every one of them out again.
  EXPECT_EQ(VbaReference(false, false), 0);
  EXPECT_EQ(Refs(book1), kNone);
  EXPECT_EQ(Refs(book2), kNone);
  EXPECT_EQ(Refs(tools), kNone);
  EXPECT_EQ(Tally(), 0);
  EXPECT_TRUE(StartupReferencePassPending());
}

TEST_F(VbaReferenceTest, ActiveWorkbookOnly) {
  EXPECT_EQ(VbaReference(true, true), 0);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kNone);
  EXPECT_EQ(Tally(), 1);
  EXPECT_TRUE(StartupReferencePassPending());  // only a walk over all workbooks counts as the start-up pass

  host.model().ClearInvokes();
  EXPECT_EQ(VbaReference(false, true), 0);
  EXPECT_EQ(Refs(book1), kNone);
  EXPECT_EQ(Tally(), 0);
  // The reference is found by its name, which travels as text.
  const std::vector<SeenInvoke> items = InvokesOf(L"Item");
  ASSERT_FALSE(items.empty());
  ASSERT_EQ(items.back().args.size(), 1u);
  EXPECT_EQ(items.back().object, L"References");
  EXPECT_EQ(items.back().args[0].vt, VT_BSTR);
  EXPECT_EQ(items.back().args[0].text, L"KorvelCOM");

  // Nothing to remove: refused, not counted.
  EXPECT_EQ(VbaReference(false, true), -1);
  EXPECT_EQ(Tally(), 0);
}

TEST_F(VbaReferenceTest, RefusedDuplicateIsNotCounted) {
  GiveReference(book1);
  EXPECT_EQ(VbaReference(true, true), -1);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Tally(), 0);
  EXPECT_EQ(VbaReference(true, false), 0);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kOne);
  EXPECT_EQ(Tally(), 1);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VbaReferenceTest, NoActiveWorkbook) {
  app()->set_active_workbook(nullptr);
  host.model().set_vba_access_trusted(false);
  EXPECT_EQ(VbaReference(true, true), -1);
  // Nothing could be probed: the access flag stays open.
  EXPECT_EQ(StartupCounters[kVbaAccess], 1);
  EXPECT_EQ(Tally(), 0);
}

TEST_F(VbaReferenceTest, UntrustedAccessClosesTheFlagAndLaterCallsStopAtOnce) {
  host.model().set_vba_access_trusted(false);
  EXPECT_EQ(VbaReference(true, false), 0);  // the walk ran, every workbook refused
  EXPECT_EQ(StartupCounters[kVbaAccess], 0);
  EXPECT_EQ(Tally(), 0);

  host.model().set_vba_access_trusted(true);
  host.model().ClearInvokes();
  for (bool add : {true, false})
    for (bool active_only : {true, false}) EXPECT_EQ(VbaReference(add, active_only), -1);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VbaReferenceTest, ProtectedProjectIsSkipped) {
  ProjectOf(book2)->set_protected(true);
  EXPECT_EQ(VbaReference(true, false), 0);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kNone);
  EXPECT_EQ(Tally(), 1);
  EXPECT_EQ(StartupCounters[kVbaAccess], 1);
}

TEST_F(VbaReferenceTest, FailingAddInEntryEndsTheWalkAfterTheWorkbooks) {
  host.model().add_ins()->Add(L"Tools.xlam", true);
  host.model().Fail({L"AddIn", L"Name"});
  EXPECT_EQ(VbaReference(true, false), -1);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kOne);
  EXPECT_EQ(Tally(), 2);
  EXPECT_TRUE(StartupReferencePassPending());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(VbaReferenceTest, WithoutTheApplicationOneBox) {
  std::exchange(*addin.pExcelDisp, nullptr)->Release();
  EXPECT_EQ(VbaReference(true, false), -1);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].owner, host.windows().main());
  EXPECT_EQ(boxes()[0].text, L"Reference no pExcelDisp: ");
  EXPECT_EQ(boxes()[0].caption, ProductTitle);
  EXPECT_EQ(boxes()[0].type, 0x40010u);
}

TEST_F(VbaReferenceTest, UnregisteredServerRefusesWithoutAHostCall) {
  StartupCounters[kServerRegistered] = 0;
  host.model().ClearInvokes();
  EXPECT_EQ(VbaReference(true, false), -1);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_TRUE(boxes().empty());
}

// The reference tally cannot say whether the start-up pass is still to run: a removal that takes out a
// reference the add-in never added leaves it below 0 for good.
TEST_F(VbaReferenceTest, StartUpPassIsPendingAgainAfterARemovalWhateverTheTally) {
  GiveReference(book2);  // saved with the workbook earlier
  EXPECT_EQ(VbaReference(true, false), 0);
  EXPECT_EQ(Tally(), 1);
  EXPECT_FALSE(StartupReferencePassPending());
  EXPECT_EQ(VbaReference(false, false), 0);
  EXPECT_EQ(Tally(), -1);
  EXPECT_TRUE(StartupReferencePassPending());
  // The next open's pass adds them again.
  EXPECT_EQ(VbaReference(true, false), 0);
  EXPECT_EQ(Refs(book1), kOne);
  EXPECT_EQ(Refs(book2), kOne);
  EXPECT_EQ(Tally(), 1);
}

TEST(ServerLibid, IsTheTypeLibrarysIdentifierInBraces) {
  EXPECT_EQ(korvel::xll::ServerLibidText(), L"{55B1F1A1-2AAA-4D31-8677-2EA3AA5D58F2}");
}

}  // namespace
}  // namespace korvel::test
