// VLOOKUP3 and VlookupXLL over arrays: the partner of the first exact match in row-by-row order, #N/A or a
// null result otherwise. Expected partners are written out by hand.
#include <malloc.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "add_in.h"
#include "value_records.h"
#include "heap_blocks.h"

namespace korvel::test {
namespace {

// A result as the cell shows it: kind (the whole type word), number, error code or text; null as "null".
struct Shown {
  DWORD type = 0;
  double num = 0;
  int err = 0;
  std::wstring text;
  bool null = false;
  bool operator==(const Shown& o) const {
    return type == o.type && num == o.num && err == o.err && text == o.text && null == o.null;
  }
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
  if (s.null) return os << "null";
  return os << "type 0x" << std::hex << s.type << std::dec << " num " << s.num << " err " << s.err << " text '"
            << std::string(s.text.begin(), s.text.end()) << "'";
}

Shown NumberShown(double v) { return {xltypeNum | xlbitDLLFree, v}; }
Shown TextShown(const std::wstring& t) { return {xltypeStr | xlbitDLLFree, 0, 0, t}; }
Shown NAShown() { return {xltypeErr | xlbitDLLFree, 0, 42}; }
Shown NullShown() { return {0, 0, 0, L"", true}; }

class LookupTest : public AddInTest {
 protected:
  // Reads the result and hands it back to the add-in through the host.
  Shown Show(XLOPER12* result) {
    Shown s;
    if (!result) {
      s.null = true;
      return s;
    }
    s.type = result->xltype;
    EXPECT_TRUE(result->xltype & xlbitDLLFree) << "every result goes back through xlAutoFree12";
    switch (result->xltype & 0xFFF) {
      case xltypeNum: s.num = result->val.num; break;
      case xltypeErr: s.err = result->val.err; break;
      case xltypeBool: s.num = result->val.xbool; break;
      case xltypeStr:
        s.text.assign(result->val.str + 1, static_cast<unsigned short>(result->val.str[0]));
        EXPECT_EQ(result->val.str[result->val.str[0] + 1], L'\0');
        break;
    }
    host.api().TakeResult(result);
    return s;
  }
  ValueRecords v;
};

TEST_F(LookupTest, Vlookup3FindsThePartnerOfTheFirstMatch) {
  struct Case {
    const char* what;
    XLOPER12* find_in;
    XLOPER12* results;
    XLOPER12* find;
    Shown expected;
  };
  XLOPER12* letters = v.Array({v.Text(L"a"), v.Text(L"B"), v.Text(L"c")}, 1, 3);
  XLOPER12* numbers3 = v.Array({v.Num(1), v.Num(2), v.Num(3)}, 3, 1);
  XLOPER12* square = v.Array({v.Num(1), v.Num(2), v.Num(3), v.Num(4)}, 2, 2);
  XLOPER12* wxyz = v.Array({v.Text(L"w"), v.Text(L"x"), v.Text(L"y"), v.Text(L"z")}, 1, 4);
  XLOPER12* one_two = v.Array({v.Num(1), v.Num(2)}, 1, 2);
  XLOPER12* x_empty = v.Array({v.Text(L"x"), v.Text(L"")}, 1, 2);
  XLOPER12* x_true = v.Array({v.Text(L"x"), v.Bool(true)}, 1, 2);
  XLOPER12* x_error = v.Array({v.Text(L"x"), v.Err(7)}, 2, 1);
  XLOPER12* x_nil = v.Array({v.Text(L"x"), v.Kind(xltypeNil)}, 2, 1);
  XLOPER12* four = v.Array({v.Num(1), v.Num(2), v.Num(3), v.Num(4)}, 1, 4);
  XLOPER12* duplicates = v.Array({v.Num(5), v.Text(L"5"), v.Num(5), v.Num(6)}, 2, 2);
  XLOPER12* partners = v.Array({v.Num(10), v.Num(20), v.Num(30), v.Num(40)}, 4, 1);
  XLOPER12* mixed = v.Array({v.Bool(true), v.Text(L"TRUE"), v.Num(1), v.Text(L"")}, 1, 4);
  const Case cases[] = {
      {"case counts", letters, numbers3, v.Keep(v.Text(L"b")), NAShown()},
      {"exact case", letters, numbers3, v.Keep(v.Text(L"B")), NumberShown(2)},
      {"longer text", letters, numbers3, v.Keep(v.Text(L"BB")), NAShown()},
      {"2 x 2 pairs with a row of 4", square, wxyz, v.Keep(v.Num(3)), TextShown(L"y")},
      {"empty text partner gives 0", one_two, x_empty, v.Keep(v.Num(2)), NumberShown(0)},
      {"boolean partner", one_two, x_true, v.Keep(v.Num(2)), NAShown()},
      {"error partner", one_two, x_error, v.Keep(v.Num(2)), NAShown()},
      {"empty partner", one_two, x_nil, v.Keep(v.Num(2)), NAShown()},
      {"3 and 4 elements", numbers3, four, v.Keep(v.Num(1)), NAShown()},
      {"first of duplicates, text 5 is no number", duplicates, partners, v.Keep(v.Num(5)), NumberShown(10)},
      {"text 5 is no number 5", duplicates, partners, v.Keep(v.Text(L"5")), NumberShown(20)},
      {"no match", duplicates, partners, v.Keep(v.Num(7)), NAShown()},
      {"boolean Find", mixed, partners, v.Keep(v.Bool(true)), NAShown()},
      {"empty text Find", mixed, partners, v.Keep(v.Text(L"")), NAShown()},
      {"number Find among mixed", mixed, partners, v.Keep(v.Num(1)), NumberShown(30)},
      {"missing Find", one_two, x_empty, v.Keep(v.Kind(xltypeMissing)), NAShown()},
      {"ArrayFind a number", v.Keep(v.Num(1)), one_two, v.Keep(v.Num(1)), NAShown()},
      {"ArrayResult a number", one_two, v.Keep(v.Num(1)), v.Keep(v.Num(1)), NAShown()},
      {"ArrayFind a reference", v.Keep(v.Kind(xltypeSRef)), one_two, v.Keep(v.Num(1)), NAShown()},
      {"null ArrayFind", nullptr, one_two, v.Keep(v.Num(1)), NAShown()},
      {"null Find", one_two, one_two, nullptr, NAShown()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Show(VLOOKUP3(c.find_in, c.results, c.find)), c.expected);
  }
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_TRUE(host.api().CallsOf(xlCoerce).empty()) << "VLOOKUP3 asks the host nothing";
}

TEST_F(LookupTest, ElementCountsAreComparedIn64Bits) {
  // 65536 x 65537 and 65537 x 65537 elements have the 32-bit products 65536 and 131073: arrays of that many
  // elements would pass a 32-bit comparison and the scan would run far past them.
  XLOPER12* first = v.Array(std::vector<XLOPER12>(65536, v.Num(1)), 1, 65536);
  XLOPER12* second = v.Array(std::vector<XLOPER12>(131073, v.Num(2)), 131073, 1);
  XLOPER12 huge = *first;
  huge.val.array.rows = 65536;
  huge.val.array.columns = 65537;
  EXPECT_EQ(Show(VLOOKUP3(&huge, first, v.Keep(v.Num(7)))), NAShown());
  XLOPER12 bigger = *second;
  bigger.val.array.rows = 65537;
  bigger.val.array.columns = 65537;
  EXPECT_EQ(Show(VlookupXLL(&bigger, v.Keep(v.Num(7)), second)), NullShown());
  EXPECT_EQ(Show(VlookupXLL(second, v.Keep(v.Num(7)), &bigger)), NullShown());
}

TEST_F(LookupTest, VlookupXllOverArraysComparesElementsUnconverted) {
  struct Case {
    const char* what;
    XLOPER12* find_in;
    XLOPER12* find;
    XLOPER12* results;
    Shown expected;
  };
  XLOPER12* text12 = v.Array({v.Text(L"12")}, 1, 1);
  XLOPER12* partner = v.Array({v.Text(L"found")}, 1, 1);
  XLOPER12* letters = v.Array({v.Text(L"a"), v.Text(L"B"), v.Text(L""), v.Num(4)}, 2, 2);
  XLOPER12* row4 = v.Array({v.Num(1), v.Text(L"two"), v.Bool(true), v.Text(L"")}, 1, 4);
  XLOPER12* three = v.Array({v.Num(1), v.Num(2), v.Num(3)}, 1, 3);
  const Case cases[] = {
      {"text '12' is no number 12", text12, v.Keep(v.Num(12)), partner, NAShown()},
      {"text '12' matches itself", text12, v.Keep(v.Text(L"12")), partner, TextShown(L"found")},
      {"case counts", letters, v.Keep(v.Text(L"b")), row4, NAShown()},
      {"2 x 2 with a row of 4", letters, v.Keep(v.Text(L"B")), row4, TextShown(L"two")},
      {"empty text found, its partner a boolean", letters, v.Keep(v.Text(L"")), row4, NAShown()},
      {"number partner", letters, v.Keep(v.Text(L"a")), row4, NumberShown(1)},
      {"empty text partner stays a text", letters, v.Keep(v.Num(4)), row4, TextShown(L"")},
      {"boolean Find", row4, v.Keep(v.Bool(true)), letters, NAShown()},
      {"no match", letters, v.Keep(v.Text(L"z")), row4, NAShown()},
      {"3 and 4 cells", three, v.Keep(v.Num(1)), row4, NullShown()},
      {"ArrayFind a number", v.Keep(v.Num(1)), v.Keep(v.Num(1)), partner, NullShown()},
      {"ArrayResult missing", text12, v.Keep(v.Text(L"12")), v.Keep(v.Kind(xltypeMissing)), NullShown()},
      {"null ArrayResult", text12, v.Keep(v.Text(L"12")), nullptr, NullShown()},
      {"null Find", text12, nullptr, partner, NAShown()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Show(VlookupXLL(c.find_in, c.find, c.results)), c.expected);
  }
  // An empty text Find is searched like any text.
  XLOPER12* with_empty = v.Array({v.Text(L"B"), v.Text(L"")}, 1, 2);
  XLOPER12* partners = v.Array({v.Num(1), v.Num(2)}, 1, 2);
  EXPECT_EQ(Show(VlookupXLL(with_empty, v.Keep(v.Text(L"")), partners)), NumberShown(2));
  EXPECT_TRUE(host.api().CallsOf(xlCoerce).empty()) << "arrays are read in place";
  EXPECT_EQ(host.api().outstanding(), 0u);
}


TEST_F(LookupTest, HeapHoldsAsManyBlocksAfter10000CallsOfEach) {
  XLOPER12* keys = v.Array({v.Num(1), v.Text(L"k"), v.Num(3)}, 1, 3);
  XLOPER12* partners = v.Array({v.Text(L"one"), v.Num(2), v.Text(L"three")}, 3, 1);
  XLOPER12* find_text = v.Keep(v.Text(L"k"));
  XLOPER12* find_three = v.Keep(v.Num(3));
  XLOPER12* absent = v.Keep(v.Num(9));
  XLOPER12* numbers = v.Array({v.Num(3), v.Num(1.5), v.Num(3), v.Num(-2)}, 2, 2);
  auto round = [&] {
    host.api().TakeResult(VLOOKUP3(keys, partners, find_three));
    host.api().TakeResult(VLOOKUP3(keys, partners, absent));
    host.api().TakeResult(VlookupXLL(keys, find_text, partners));
    host.api().TakeResult(VlookupXLL(keys, find_three, partners));
    host.api().TakeResult(DellDuplicates(numbers));
  };
  round();
  const std::size_t before = UsedHeapBlocks();
  for (int i = 0; i < 10000; ++i) round();
  EXPECT_EQ(UsedHeapBlocks(), before);
  EXPECT_EQ(_heapchk(), _HEAPOK);
}

// Both lookups are registered thread-safe: 8 threads at once give what one thread gives.
TEST_F(LookupTest, EightThreadsAtOnceGiveTheResultsOfOne) {
  std::vector<XLOPER12> keys, partners;
  for (int i = 0; i < 5000; ++i) {
    keys.push_back(i % 2 ? v.Num(i) : v.Text(L"t" + std::to_wstring(i)));
    partners.push_back(i % 3 ? v.Num(-i) : v.Text(L"p" + std::to_wstring(i)));
  }
  XLOPER12* key_array = v.Array(keys, 100, 50);
  XLOPER12* partner_array = v.Array(partners, 1, 5000);
  std::vector<XLOPER12*> finds;
  for (int i = 0; i < 5000; i += 97) finds.push_back(v.Keep(i % 2 ? v.Num(i) : v.Text(L"t" + std::to_wstring(i))));
  finds.push_back(v.Keep(v.Text(L"absent")));
  // The partners one thread gives, by hand: the element at the key's own position.
  std::vector<Shown> expected;
  for (int i = 0; i < 5000; i += 97) expected.push_back(i % 3 ? NumberShown(-i) : TextShown(L"p" + std::to_wstring(i)));
  expected.push_back(NAShown());
  std::vector<std::vector<Shown>> seen(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round)
        for (std::size_t k = 0; k < finds.size(); ++k) {
          XLOPER12* find = finds[k];
          XLOPER12* r = t % 2 ? VLOOKUP3(key_array, partner_array, find) : VlookupXLL(key_array, find, partner_array);
          Shown s;
          s.type = r ? r->xltype : 0;
          if (r && (r->xltype & 0xFFF) == xltypeNum) s.num = r->val.num;
          if (r && (r->xltype & 0xFFF) == xltypeErr) s.err = r->val.err;
          if (r && (r->xltype & 0xFFF) == xltypeStr) s.text.assign(r->val.str + 1, r->val.str[0]);
          if (round == 0) seen[t].push_back(s);
          else if (seen[t].size() == finds.size() && !(s == seen[t][k])) seen[t].clear();  // a later round differed
          addin.xlAutoFree12(r);
        }
    });
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(seen[t], expected) << "thread " << t;
}

}  // namespace
}  // namespace korvel::test
