// The stand-in's counting mode answers every call as the recording mode does (results, refusals, failures a
// test set, references and faults) and keeps counts by kind instead of a record of each call.
#include "add_in.h"

namespace korvel::test {
namespace {

struct Outcome {
  HRESULT hr;
  std::wstring result;  // type and text of the result
  LONG sheet_refs;      // references to the second sheet after the call, the result still held
  size_t faults;
  bool operator==(const Outcome& o) const {
    return hr == o.hr && result == o.result && sheet_refs == o.sheet_refs && faults == o.faults;
  }
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << std::hex << o.hr << std::dec << " " << std::string(o.result.begin(), o.result.end()) << " refs "
            << o.sheet_refs << " faults " << o.faults;
}

class StandInCountingTest : public ::testing::Test {
 protected:
  void SetUp() override { host.Reset(); }
  void TearDown() override { host.Reset(); }

  // One call by name, the arguments in natural order; a put takes `value`.
  Outcome Call(IDispatch* object, const wchar_t* member, WORD flags, std::vector<OwnedVariant> args,
               const VARIANT* value = nullptr, bool result_not_empty = false) {
    Outcome out{};
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    out.hr = object->GetIDsOfNames(IID_NULL, &name, 1, 0, &id);
    if (SUCCEEDED(out.hr)) {
      std::vector<VARIANT> reversed;
      if (value) reversed.push_back(*value);
      for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it);
      DISPID put = DISPID_PROPERTYPUT;
      DISPPARAMS params{reversed.data(), value ? &put : nullptr, static_cast<UINT>(reversed.size()), value ? 1u : 0u};
      OwnedVariant result;
      if (result_not_empty) result = OwnedVariant::I4(5);
      out.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &result, nullptr, nullptr);
      out.result = std::to_wstring(result.vt) + L":" + SeeArg(result).text;
    }
    out.sheet_refs = Second()->refs();
    out.faults = host.model().faults().size();
    return out;
  }
  HostObject* Second() { return host.application()->active_workbook()->sheets()->At(1); }

  // Gets and puts, an object as result, refusals, a failure a test set and a faulty caller.
  std::vector<Outcome> Calls() {
    Application* app = host.application();
    MemberFailure second_name;
    second_name.member = L"Name";
    second_name.flags = DISPATCH_PROPERTYGET;
    second_name.after = 1;
    second_name.times = 1;
    second_name.hr = E_ACCESSDENIED;
    host.model().Fail(second_name);
    const OwnedVariant title = OwnedVariant::Text(L"counted");
    const WORD get = DISPATCH_PROPERTYGET, call = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    return {
        Call(app, L"Name", get, {}),
        Call(app, L"Name", get, {}),
        Call(app, L"Sheets", call, {OwnedVariant::I4(2)}),
        Call(app, L"Sheets", call, {OwnedVariant::Text(L"no such sheet")}),
        Call(app, L"Sheets", call, {OwnedVariant::Text(L"Sheet2")}),
        Call(Second(), L"Name", DISPATCH_PROPERTYPUT, {}),
        Call(Second(), L"Name", DISPATCH_PROPERTYPUT, {}, &title),
        Call(Second(), L"Name", get, {}),
        Call(app, L"NoSuchMember", get, {}),
        Call(app, L"Name", get, {}, nullptr, true),
    };
  }

  Host& host = Host::Get();
};

TEST_F(StandInCountingTest, AnswersAsTheRecordAndCountsByKind) {
  const std::vector<Outcome> recorded = Calls();
  size_t caller_invokes = 0;
  for (const SeenInvoke& i : host.model().invokes()) caller_invokes += !i.nested;
  EXPECT_EQ(caller_invokes, 9u) << "nine Invokes (one name is unknown)";
  const size_t all_invokes = host.model().invokes().size();
  EXPECT_TRUE(host.model().counts().invokes().empty());
  ASSERT_EQ(recorded.at(2).result.substr(0, 2), L"9:") << "an object";
  EXPECT_EQ(recorded.at(7).result, L"8:counted");
  EXPECT_EQ(recorded.back().faults, 1u);

  host.Reset();
  host.model().set_counting(true);
  const std::vector<Outcome> counted = Calls();
  EXPECT_EQ(counted, recorded);
  EXPECT_TRUE(host.model().invokes().empty());
  EXPECT_TRUE(host.model().lookups().empty());

  const InvokeCounts& counts = host.model().counts();
  EXPECT_EQ(counts.caller_invokes(), 9);
  EXPECT_EQ(counts.caller_lookups(), 10);
  long long every_invoke = 0;
  for (const auto& [kind, n] : counts.invokes()) every_invoke += n;
  EXPECT_EQ(every_invoke, static_cast<long long>(all_invokes)) << "the stand-in's own calls too";
  auto count_of = [&](const std::wstring& object, const std::wstring& member, WORD flags, std::vector<VARTYPE> types,
                      HRESULT hr) -> long long {
    CountedInvoke key;
    key.object = object;
    key.member = member;
    key.flags = flags;
    key.arg_types = std::move(types);
    key.returned = hr;
    const auto found = counts.invokes().find(key);
    return found == counts.invokes().end() ? 0 : found->second;
  };
  EXPECT_EQ(count_of(L"Application", L"Name", DISPATCH_PROPERTYGET, {}, S_OK), 2);
  EXPECT_EQ(count_of(L"Application", L"Name", DISPATCH_PROPERTYGET, {}, E_ACCESSDENIED), 1);
  EXPECT_EQ(count_of(L"Application", L"Sheets", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {VT_I4}, S_OK), 1);
  EXPECT_EQ(count_of(L"Application", L"Sheets", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {VT_BSTR}, S_OK), 1);
  EXPECT_EQ(count_of(L"Worksheet", L"Name", DISPATCH_PROPERTYPUT, {}, DISP_E_PARAMNOTFOUND), 1);

  // Off again after a reset, and a cleared record clears the counts.
  host.model().ClearInvokes();
  EXPECT_TRUE(counts.invokes().empty());
  host.Reset();
  EXPECT_FALSE(host.model().counting());
}

}  // namespace
}  // namespace korvel::test
