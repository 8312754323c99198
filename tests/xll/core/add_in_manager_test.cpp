// The add-in manager's question for the add-in's name (xlAddInManagerInfo12).
#include "life_cycle_fixture.h"

namespace korvel::test {
namespace {

class AddInManagerTest : public AddInTest {};

XLOPER12 Num(double v) {
  XLOPER12 r{};
  r.xltype = xltypeNum;
  r.val.num = v;
  return r;
}
XLOPER12 Int(int v) {
  XLOPER12 r{};
  r.xltype = xltypeInt;
  r.val.w = v;
  return r;
}

TEST_F(AddInManagerTest, ActionOneGivesTheDisplayNameAnythingElseValue) {
  std::wstring text = {L'\x0001', L'1'};  // a counted string: the text "1"
  XLOPER12 as_text{};
  as_text.xltype = xltypeStr;
  as_text.val.str = text.data();
  XLOPER12 missing{{}, xltypeMissing};

  struct Case {
    const char* name;
    XLOPER12* action;
    bool gives_name;
  };
  XLOPER12 one = Int(1), one_num = Num(1.0), two = Int(2), two_num = Num(2), half = Num(1.5), zero = Int(0);
  const Case cases[] = {{"integer 1", &one, true},     {"number 1.0", &one_num, true}, {"integer 2", &two, false},
                        {"number 2", &two_num, false}, {"number 1.5", &half, false},   {"integer 0", &zero, false},
                        {"text", &as_text, false},     {"missing", &missing, false},   {"null", nullptr, false}};
  const std::wstring name = std::wstring(ProductTitle) + L"(x64)";
  const size_t handed_back = host.api().handed_back();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XLOPER12* r = xlAddInManagerInfo12(c.action);
    ASSERT_NE(r, nullptr);
    if (c.gives_name) {
      EXPECT_EQ(r->xltype, xltypeStr | xlbitDLLFree);
      EXPECT_EQ(std::wstring(r->val.str + 1, static_cast<unsigned short>(r->val.str[0])), name);
    } else {
      EXPECT_EQ(r->xltype, xltypeErr | xlbitDLLFree);
      EXPECT_EQ(r->val.err, 15);  // #VALUE!
    }
    host.api().TakeResult(r);
  }
  EXPECT_EQ(host.api().handed_back() - handed_back, std::size(cases));
  EXPECT_EQ(name, L"KorvelXLL(x64)");
  EXPECT_TRUE(host.api().calls().empty());
}

}  // namespace
}  // namespace korvel::test
