// DellDuplicates: the distinct truncated numbers of an array, ascending, as one row of numbers; #N/A for
// anything but an array. Expected rows are written out by hand.
#include <cmath>
#include <limits>
#include <vector>

#include "add_in.h"
#include "value_records.h"

namespace korvel::test {
namespace {

class DellDuplicatesTest : public AddInTest {
 protected:
  static XLOPER12 Multi(std::vector<XLOPER12>& elements, int rows, int columns) {
    XLOPER12 x{};
    x.xltype = xltypeMulti;
    x.val.array.lparray = elements.data();
    x.val.array.rows = rows;
    x.val.array.columns = columns;
    return x;
  }
  // The result's numbers (exactly one row of plain numbers), handed back to the add-in afterwards.
  std::vector<double> Row(XLOPER12* result) {
    std::vector<double> out;
    EXPECT_NE(result, nullptr);
    if (!result) return out;
    EXPECT_EQ(result->xltype, xltypeMulti | xlbitDLLFree);
    if (result->xltype == (xltypeMulti | xlbitDLLFree)) {
      EXPECT_EQ(result->val.array.rows, 1);
      for (int i = 0; i < result->val.array.columns; ++i) {
        EXPECT_EQ(result->val.array.lparray[i].xltype, xltypeNum);
        out.push_back(result->val.array.lparray[i].val.num);
      }
    }
    host.api().TakeResult(result);
    return out;
  }
  void ExpectNA(XLOPER12* result) {
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->xltype, xltypeErr | xlbitDLLFree);
    EXPECT_EQ(result->val.err, 42);
    host.api().TakeResult(result);
  }
};

TEST_F(DellDuplicatesTest, DistinctTruncatedNumbersAscending) {
  XLOPER12 text{};
  wchar_t a[] = {1, L'a', 0};
  text.xltype = xltypeStr;
  text.val.str = a;
  XLOPER12 yes = XKind(xltypeBool);
  yes.val.xbool = TRUE;
  XLOPER12 error = XKind(xltypeErr);
  error.val.err = 7;
  struct Case {
    const char* what;
    std::vector<XLOPER12> elements;
    int rows, columns;
    std::vector<double> row;
  };
  const double big = 9007199254740993.0;  // 2^53 + 1 rounds to 2^53 as a double
  std::vector<Case> cases = {
      {"the example", {XNum(3), XNum(1.9), XNum(3), XNum(-1.5), text}, 1, 5, {-1, 0, 1, 3}},
      {"a column of two", {XNum(2.5), XNum(2.7)}, 2, 1, {2}},
      {"a 2 x 3 block", {XNum(-0.4), XNum(6), XNum(-7.9), yes, error, XKind(xltypeNil)}, 2, 3, {-7, 0, 6}},
      // Beyond the 32-bit range the truncated values stay what they are: none of them becomes -2147483648.
      {"beyond 32 bits",
       {XNum(2147483647.9), XNum(2147483648.0), XNum(-2147483648.7), XNum(-2147483649.2), XNum(3e9), XNum(-3e9),
        XNum(1e300), XNum(-1e300), XNum(big), XNum(-5e15 - 0.5)},
       1, 10,
       {-1e300, -5e15, -3e9, -2147483649.0, -2147483648.0, 2147483647.0, 2147483648.0, 3e9, 9007199254740992.0,
        1e300}},
      {"only text", {text, text}, 1, 2, {0}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    XLOPER12 array = Multi(c.elements, c.rows, c.columns);
    const std::vector<double> row = Row(DellDuplicates(&array));
    EXPECT_EQ(row, c.row);
    for (double v : row)
      if (v == 0) EXPECT_FALSE(std::signbit(v)) << "zero, never minus zero";
  }
}

TEST_F(DellDuplicatesTest, AnythingButAnArrayGivesNA) {
  std::vector<XLOPER12> elements = {XNum(1), XNum(2)};
  XLOPER12 flagged = Multi(elements, 1, 2);
  flagged.xltype |= xlbitXLFree;  // the type word is compared as a whole
  XLOPER12 empty = Multi(elements, 0, 2);
  XLOPER12 negative = Multi(elements, -1, 2);
  XLOPER12 no_elements = Multi(elements, 1, 2);
  no_elements.val.array.lparray = nullptr;
  XLOPER12 number = XNum(5);
  XLOPER12 reference = XKind(xltypeSRef);
  std::vector<XLOPER12> odd = {XNum(1), XNum(std::numeric_limits<double>::quiet_NaN())};
  XLOPER12 not_a_number = Multi(odd, 1, 2);
  std::vector<XLOPER12> infinite = {XNum(std::numeric_limits<double>::infinity())};
  XLOPER12 infinity = Multi(infinite, 1, 1);
  for (XLOPER12* arg : {&flagged, &empty, &negative, &no_elements, &number, &reference, &not_a_number, &infinity,
                        static_cast<XLOPER12*>(nullptr)})
    ExpectNA(DellDuplicates(arg));
  EXPECT_EQ(host.api().outstanding(), 0u);
}

}  // namespace
}  // namespace korvel::test
