// The eight commands whose work comes with a later version: one notice, whatever the script and the mode.
#include "add_in.h"

namespace korvel::test {
namespace {

class LaterVersionTest : public AddInTest {};

using Command = int(__stdcall*)(wchar_t*);

const struct {
  const char* name;
  Command command;
} kNoticeCommands[] = {
    {"XLLbuttonForm", XLLbuttonForm},
    {"XLLbuttonIncreaseDecimal", XLLbuttonIncreaseDecimal},
    {"XLLbuttonDecreaseDecimal", XLLbuttonDecreaseDecimal},
    {"XLLbuttonLinks", XLLbuttonLinks},
    {"XLLbuttonTextSpaseToNumber", XLLbuttonTextSpaseToNumber},
    {"XLLbuttonConditionalFormatToFormatAllSheets", XLLbuttonConditionalFormatToFormatAllSheets},
    {"XLLbuttonErrors", XLLbuttonErrors},
    {"XLLbuttonConditionalFormatToFormat", XLLbuttonConditionalFormatToFormat},
};

TEST_F(LaterVersionTest, EachShowsTheNoticeInEveryModeWhateverTheScript) {
  wchar_t declining[] = {1, L'0', 0};
  wchar_t both[] = {2, L'1', L'1', 0};
  wchar_t empty[] = {0, 0};
  wchar_t* scripts[] = {declining, both, empty, nullptr};
  for (const auto& c : kNoticeCommands) {
    for (int mode : {1, 2, 3}) {
      for (wchar_t* script : scripts) {
        SCOPED_TRACE(testing::Message() << c.name << " mode " << mode << " script "
                                        << (script ? static_cast<int>(script[0]) : -1));
        host.ui().Reset();
        host.model().ClearInvokes();
        *addin.OperatingMode = mode;
        // Through the export by name, as the host runs a registered command.
        ASSERT_EQ(host.Export<Command>(c.name), c.command);
        EXPECT_EQ(c.command(script), 0);
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, L"Этот функционал добавится начиная с версии библиотеки: 2.1.0.0");
        EXPECT_EQ(boxes()[0].type, 0x40040u);
        EXPECT_EQ(boxes()[0].caption, ProductTitle);
        EXPECT_EQ(boxes()[0].owner, host.windows().main());
        EXPECT_TRUE(host.model().invokes().empty());
      }
    }
  }
  EXPECT_EQ(host.api().outstanding(), 0u);
  EXPECT_EQ(host.api().bad_frees(), 0u);
}

TEST_F(LaterVersionTest, WithoutAHostWindowTheNoticeHasNoOwner) {
  host.api().InjectReturn(xlGetHwnd, xlretFailed);
  *addin.OperatingMode = 3;
  EXPECT_EQ(XLLbuttonErrors(nullptr), 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].owner, nullptr);
  EXPECT_EQ(boxes()[0].type, 0x40040u);
}

}  // namespace
}  // namespace korvel::test
