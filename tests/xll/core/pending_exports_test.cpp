// Exports whose code belongs to later work: each gives its failure value, so that the host never receives
// a result that only looks like one. Each later piece of work takes its names out of these tables.
#include <functional>

#include <cstring>

#include "add_in.h"
#include "pending_commands.h"

namespace korvel::test {
namespace {

class PendingExportsTest : public AddInTest {};

enum class Failure { kNumberZero, kNotAvailable, kValue, kNull };

struct PendingFunction {
  const char* name;
  Failure failure;
  std::function<void*()> call;
};

XLOPER12 g_number{{}, xltypeNum};
wchar_t g_counted[] = {3, L'1', L'2', L'3', 0};
wchar_t g_plain[] = L"123";
char g_bytes[] = "123";
short g_flag = 1;

const PendingFunction kPendingFunctions[] = {
    {"VlookupXLL", Failure::kNotAvailable, [] { return (void*)VlookupXLL(&g_number, &g_number, &g_number); }},
    {"VLOOKUP3", Failure::kNotAvailable, [] { return (void*)VLOOKUP3(&g_number, &g_number, &g_number); }},
    {"DellDuplicates", Failure::kNotAvailable, [] { return (void*)DellDuplicates(&g_number); }},
    {"GetRowsCountCSVansi", Failure::kValue, [] { return (void*)GetRowsCountCSVansi(g_plain, 0); }},
    {"GetRowCSVansi", Failure::kValue, [] { return (void*)GetRowCSVansi(g_plain, 1, 0); }},
    {"FindRowsInCSVansi", Failure::kValue, [] { return (void*)FindRowsInCSVansi(g_plain, g_bytes, &g_flag, 0); }},
    {"FindValuesXLL", Failure::kNull, [] { return (void*)FindValuesXLL(&g_number, &g_number, 0); }},
};

TEST_F(PendingExportsTest, EachPendingFunctionGivesItsFailureValue) {
  g_number.val.num = 12;
  for (const PendingFunction& f : kPendingFunctions) {
    SCOPED_TRACE(f.name);
    auto* result = static_cast<XLOPER12*>(f.call());
    switch (f.failure) {
      case Failure::kNull:
        EXPECT_EQ(result, nullptr);
        break;
      case Failure::kNumberZero:
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->xltype, xltypeNum | xlbitDLLFree);
        EXPECT_EQ(result->val.num, 0.0);
        break;
      case Failure::kNotAvailable:
      case Failure::kValue:
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->xltype, xltypeErr | xlbitDLLFree);
        EXPECT_EQ(result->val.err, f.failure == Failure::kValue ? 15 : 42);
        break;
    }
    if (f.failure != Failure::kNull) host.api().TakeResult(result);
  }
  // The host's buffers are left as they came.
  EXPECT_EQ(std::wstring(g_plain), L"123");
  EXPECT_EQ(std::wstring(g_counted + 1, g_counted[0]), L"123");
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PendingExportsTest, EachPendingCommandWarnsOnceAndStops) {
  wchar_t answers[] = {0, 0};
  for (const char* name : kPendingCommands) {
    SCOPED_TRACE(name);
    auto command = reinterpret_cast<int(__stdcall*)(wchar_t*)>(GetProcAddress(addin.module, name));
    ASSERT_NE(command, nullptr);
    host.ui().Reset();
    EXPECT_EQ(command(answers), -1);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].type, 0x40030u);
    EXPECT_EQ(boxes()[0].caption, ProductTitle);
    EXPECT_EQ(boxes()[0].owner, host.windows().main());
    EXPECT_EQ(boxes()[0].text,
              std::wstring(name, name + std::strlen(name)) + L": this command is not available in this version.");
  }
}

TEST_F(PendingExportsTest, ColorRGBGivesZero) {
  for (unsigned short v : {0, 1, 255, 256, 65535}) EXPECT_EQ(ColorRGB(v, v, v), 0);
}

}  // namespace
}  // namespace korvel::test
