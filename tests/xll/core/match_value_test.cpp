// The cell test of the cell search, as a table: every flag and their sums, numbers against texts, case,
// empty texts, and the kinds that never match.
#include <gtest/gtest.h>

#include <string>

#include "commands/match_value.h"
#include "value_records.h"

namespace korvel::test {
namespace {

using namespace korvel::xll;

TEST(MatchValueTest, Table) {
  ValueRecords rec;
  const XLOPER12 five = rec.Num(5), four = rec.Num(4), six = rec.Num(6);
  const XLOPER12 text5 = rec.Text(L"5"), ab = rec.Text(L"ab"), AB = rec.Text(L"AB"), xaby = rec.Text(L"xaby"),
                 a = rec.Text(L"a"), empty = rec.Text(L""), abc = rec.Text(L"abc"),
                 ab_nul = rec.Text(std::wstring(L"ab\0", 3));
  XLOPER12 yes = rec.Kind(xltypeBool), na = rec.Kind(xltypeErr), nil = rec.Kind(xltypeNil), missing = rec.Kind(xltypeMissing);
  yes.val.xbool = TRUE;
  na.val.err = xlerrNA;
  XLOPER12 ref = rec.Kind(xltypeSRef);
  ref.val.sref.count = 1;
  ref.val.sref.ref = XlArea{0, 0, 0, 0};

  struct Case {
    const char* what;
    const XLOPER12& cell;
    const XLOPER12& find;
    int flags;
    bool match;
  } cases[] = {
      {"equal numbers, 2", five, five, 2, true},
      {"equal numbers, 1", five, five, 1, false},
      {"equal numbers, 4", five, five, 4, false},
      {"equal numbers, 3", five, five, 3, true},
      {"equal numbers, 6", five, five, 6, true},
      {"equal numbers, 5 (not equal)", five, five, 5, false},
      {"equal numbers, 8 (texts only)", five, five, 8, false},
      {"lower number, 1", four, five, 1, true},
      {"lower number, 2", four, five, 2, false},
      {"lower number, 3", four, five, 3, true},
      {"lower number, 5", four, five, 5, true},
      {"lower number, 6", four, five, 6, false},
      {"higher number, 4", six, five, 4, true},
      {"higher number, 6", six, five, 6, true},
      {"higher number, 3", six, five, 3, false},
      {"compare 0", five, five, 0, false},
      {"text 5 against number 5", text5, five, 2, false},
      {"number 5 against text 5", five, text5, 2, false},
      {"equal texts, 2", ab, ab, 2, true},
      {"equal texts, 8", ab, ab, 8, true},
      {"equal texts, 1|4 (numbers only)", ab, ab, 5, false},
      {"equal texts, 0", ab, ab, 0, false},
      {"case counts, 2", AB, ab, 2, false},
      {"case counts, 8", AB, ab, 8, false},
      {"contained, 8", xaby, ab, 8, true},
      {"contained, 2", xaby, ab, 2, false},
      {"contained, 10", xaby, ab, 10, true},
      {"shorter text, 8", a, ab, 8, false},
      {"a trailing unit counts", ab_nul, ab, 2, false},
      {"empty find, 2, empty cell text", empty, empty, 2, true},
      {"empty find, 2, other text", abc, empty, 2, false},
      {"empty find, 8, empty text", empty, empty, 8, true},
      {"empty find, 8, other text", abc, empty, 8, true},
      {"logical cells", yes, yes, 2, false},
      {"error cells", na, na, 2, false},
      {"empty cells", nil, nil, 2, false},
      {"missing", missing, missing, 2, false},
      {"find as a reference", five, ref, 2, false},
      {"reference against reference", ref, ref, 2, false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchValue(c.cell, c.find, c.flags), c.match) << c.what;
}

}  // namespace
}  // namespace korvel::test
