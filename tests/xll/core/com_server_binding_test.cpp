// Binding to the registered server: "KorvelCOM.VBA" looked up and created in-process (the run registers the
// build's server machine-wide), its two failure boxes, and no binding while the server is not registered.
#include "add_in.h"

#include "com_creation.h"
#include "startup/startup_steps.h"

namespace korvel::test {
namespace {

class ComServerBindingTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    StartupCounters[kServerRegistered] = 1;
  }
  ComCreation& creation() { return ComCreation::Get(); }
};

TEST_F(ComServerBindingTest, CreatesTheServersVbaObjectAndHoldsOneReference) {
  BindComServer();
  ASSERT_NE(pComServerDisp, nullptr);
  EXPECT_EQ(StartupCounters[kServerDispatch], 1);
  EXPECT_TRUE(boxes().empty());
  ASSERT_EQ(creation().lookups().size(), 1u);
  EXPECT_EQ(creation().lookups()[0].prog_id, L"KorvelCOM.VBA");
  ASSERT_EQ(creation().creations().size(), 1u);
  const CreationCall& made = creation().creations()[0];
  EXPECT_FALSE(made.outer);
  EXPECT_EQ(made.context, static_cast<DWORD>(CLSCTX_INPROC_SERVER));
  EXPECT_EQ(made.iid, IID_IDispatch);
  // The class the server registers for "KorvelCOM.VBA", written out here.
  const CLSID vba = {0x757C2B06, 0x4BA3, 0x4D2B, {0xB0, 0x24, 0xF4, 0xFB, 0x8F, 0x54, 0xC7, 0x93}};
  EXPECT_EQ(made.clsid, vba);
  // It answers by member name, as the add-in calls it.
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"QRcodePrint");
  EXPECT_EQ(pComServerDisp->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(pComServerDisp->AddRef(), 2u);
  EXPECT_EQ(pComServerDisp->Release(), 1u);

  // Bound once: a second pass changes nothing.
  BindComServer();
  EXPECT_EQ(creation().lookups().size(), 1u);
  EXPECT_EQ(StartupCounters[kServerDispatch], 1);
}

TEST_F(ComServerBindingTest, FailuresShowTheirBoxWithoutOwnerAndStartUpGoesOn) {
  struct {
    const char* name;
    bool lookup_fails;
    const wchar_t* text;
  } const cases[] = {{"lookup", true, L"CLSIDFromProgID() failed"},
                     {"creation", false, L"KorvelCOM not registered properly"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAfresh();
    StartupCounters[kServerRegistered] = 1;
    if (c.lookup_fails)
      creation().FailProgIdLookup(REGDB_E_CLASSNOTREG);
    else
      creation().FailCreation(REGDB_E_CLASSNOTREG);
    BindComServer();
    EXPECT_EQ(pComServerDisp, nullptr);
    EXPECT_EQ(StartupCounters[kServerDispatch], 0);
    EXPECT_EQ(creation().creations().size(), c.lookup_fails ? 0u : 1u);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].owner, nullptr);
    EXPECT_EQ(boxes()[0].text, c.text);
    EXPECT_EQ(boxes()[0].caption, L"Error");
    EXPECT_EQ(boxes()[0].type, 0x10010u);
    // The next step still runs: the reference goes into the open workbook.
    EXPECT_EQ(VbaReference(true, false), 0);
    EXPECT_EQ(StartupCounters[kVbaReferences], 1);
  }
}

TEST_F(ComServerBindingTest, UnregisteredServerIsNeitherBoundNorReferenced) {
  StartupCounters[kServerRegistered] = 0;
  BindComServer();
  EXPECT_EQ(pComServerDisp, nullptr);
  EXPECT_TRUE(creation().lookups().empty());
  EXPECT_EQ(VbaReference(true, false), -1);
  EXPECT_EQ(StartupCounters[kVbaReferences], 0);
  EXPECT_TRUE(ProjectOf(app()->active_workbook())->AddedReferences().empty());
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace korvel::test
