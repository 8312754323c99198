// The stand-in's objects answer as the host's do, so that an add-in that relies on more fails its tests:
// results are written over the result argument, a result handed over with something in it is a fault, and
// so is any call on an object after its last release.
#include "add_in.h"

namespace korvel::test {
namespace {

class HostObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { host.Reset(); }
  void TearDown() override { host.model().ClearFaults(); }
  HRESULT Get(IDispatch* object, const wchar_t* member, VARIANT* result) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, result, nullptr, nullptr);
  }
  Host& host = Host::Get();
};

TEST_F(HostObjectTest, AResultThatIsNotEmptyIsWrittenOverAndRecordedAsAFault) {
  Application* app = host.application();
  // A value and an object as results, each handed over holding an object whose reference must not be
  // released by the callee.
  for (const wchar_t* member : {L"Name", L"ActiveWorkbook"}) {
    host.model().ClearFaults();
    const LONG refs = app->refs();
    VARIANT result = VDisp(app);
    ASSERT_EQ(app->refs(), refs + 1);
    EXPECT_EQ(S_OK, Get(app, member, &result));
    EXPECT_EQ(app->refs(), refs + 1) << "what the result held was released";
    ASSERT_EQ(host.model().faults().size(), 1u);
    EXPECT_NE(host.model().faults()[0].find(std::wstring(L"Application.") + member), std::wstring::npos);
    EXPECT_NE(result.vt, VT_EMPTY);
    VariantClear(&result);
    app->Release();  // the reference the overwritten result held
  }
  host.model().ClearFaults();
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(S_OK, Get(app, L"Name", &empty));
  EXPECT_TRUE(host.model().faults().empty());
  VariantClear(&empty);
}

TEST_F(HostObjectTest, ACallOnAReleasedObjectIsAFault) {
  auto* probe = new HostObject(L"Probe");
  probe->DefineValue(L"Value", VI4(1));
  IDispatch* kept = probe;
  ASSERT_EQ(0u, probe->Release());
  VARIANT result;
  VariantInit(&result);
  DISPID id = 1;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(E_UNEXPECTED, kept->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr));
  kept->AddRef();
  ASSERT_EQ(host.model().faults().size(), 2u);
  EXPECT_EQ(host.model().faults()[0], L"Invoke on a released Probe");
  EXPECT_EQ(host.model().faults()[1], L"AddRef on a released Probe");
}

TEST_F(HostObjectTest, APutKeepsTheTypeItWasGivenAndRefusesOneThatDoesNotConvert) {
  Application* app = host.application();
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"Calculation");
  ASSERT_EQ(S_OK, app->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
  DISPID put = DISPID_PROPERTYPUT;
  VARIANT value = VText(L"-4135");
  DISPPARAMS params{&value, &put, 1, 1};
  EXPECT_EQ(S_OK, app->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                              nullptr));
  EXPECT_EQ(app->Value(L"Calculation").vt, VT_BSTR);
  VariantClear(&value);
  value = VText(L"manual");
  EXPECT_EQ(DISP_E_TYPEMISMATCH, app->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYPUT, &params,
                                             nullptr, nullptr, nullptr));
  EXPECT_EQ(TextOf(app->Value(L"Calculation")), L"-4135");
  VariantClear(&value);
}

}  // namespace
}  // namespace korvel::test
