// The commands' prompt frame: scripted answers and the operating mode over questions and timing boxes.
#include <ctime>

#include "add_in.h"
#include "menus/prompts.h"

namespace korvel::test {
namespace {

// A command's argument as the host hands it over: the count, then the characters.
std::wstring Counted(const wchar_t* text) {
  std::wstring out(1, static_cast<wchar_t>(std::wcslen(text)));
  return out + text;
}

class PromptsTest : public AddInTest {
 protected:
  bool IsTimingCaption(const std::wstring& caption) {
    const std::wstring head = std::wstring(ProductTitle) + L" (timing: ";
    return caption.rfind(head, 0) == 0 && caption.size() > head.size() + 4 &&
           caption.compare(caption.size() - 4, 4, L" ms)") == 0;
  }
  // The milliseconds in a timed caption.
  long long CaptionMs(const std::wstring& caption) {
    const size_t at = std::wstring(ProductTitle).size() + 10;
    return std::stoll(caption.substr(at));
  }
};

struct TimedCase {
  const wchar_t* script;  // null: no script given
  size_t index;
  int mode;
  int answer;  // what a shown box returns
  int expected;
  size_t index_after;
  bool shown;
};

TEST_F(PromptsTest, MsgBoxTimedByScriptAndMode) {
  const TimedCase cases[] = {
      // no script: the mode decides; Fast answers OK unseen
      {nullptr, 0, 1, IDNO, IDNO, 0, true},
      {nullptr, 0, 2, IDYES, IDYES, 0, true},
      {nullptr, 0, 0, IDYES, IDYES, 0, true},  // an empty selection acts as User
      {nullptr, 0, 7, IDYES, IDYES, 0, true},
      {nullptr, 3, 3, IDNO, IDOK, 3, false},
      // a script given: each box takes the next character, and the index moves even past the end
      {L"", 0, 2, IDNO, IDNO, 1, true},
      {L"", 0, 3, IDNO, IDOK, 1, false},
      {L"1", 0, 1, IDNO, IDOK, 1, false},
      {L"0", 0, 3, IDYES, IDCANCEL, 1, false},
      {L"x", 0, 2, IDNO, IDOK, 1, false},
      {L"10", 1, 1, IDYES, IDCANCEL, 2, false},
      {L"10", 2, 1, IDNO, IDNO, 3, true},
      {L"10", 2, 3, IDNO, IDOK, 3, false},
      {L"01", 1, 3, IDNO, IDOK, 2, false},
  };
  for (const TimedCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.script ? std::string(c.script, c.script + std::wcslen(c.script)) : "none")
                                    << " index " << c.index << " mode " << c.mode);
    host.ui().Reset();
    *addin.OperatingMode = c.mode;
    host.ui().QueueAnswer(c.answer);
    const std::wstring counted = c.script ? Counted(c.script) : L"";
    const ScriptedAnswers script(c.script ? counted.c_str() : nullptr);
    size_t index = c.index;
    std::clock_t start = std::clock();
    EXPECT_EQ(MsgBoxTimed(c.script ? &script : nullptr, index, start, kWarningBox, L"Go on?"), c.expected);
    EXPECT_EQ(index, c.index_after);
    ASSERT_EQ(boxes().size(), c.shown ? 1u : 0u);
    if (!c.shown) continue;
    EXPECT_EQ(boxes()[0].text, L"Go on?");
    EXPECT_EQ(boxes()[0].type, 0x40030u);
    EXPECT_EQ(boxes()[0].owner, host.windows().main());
    const std::wstring& caption = boxes()[0].caption;
    EXPECT_TRUE(IsTimingCaption(caption)) << std::string(caption.begin(), caption.end());
  }
}

TEST_F(PromptsTest, ASecondTimedCaptionLeavesOutTheTimeTheFirstBoxWasOpen) {
  int shown = 0;
  host.ui().set_on_box([&shown](const ShownBox&) {
    if (shown++ == 0) Sleep(1000);  // a user reading the first box
  });
  TimedPrompts prompts(nullptr);
  Sleep(60);
  prompts.Ask(kInformationBox, L"first");
  Sleep(60);
  prompts.Ask(kInformationBox, L"second");
  ASSERT_EQ(boxes().size(), 2u);
  const long long first = CaptionMs(boxes()[0].caption), second = CaptionMs(boxes()[1].caption);
  EXPECT_GE(first, 50);
  EXPECT_LT(first, 1000);
  // About 120 ms of work; the second that the first box stayed open is not in it.
  EXPECT_GE(second, 100);
  EXPECT_LT(second, 1000);
  EXPECT_GE(prompts.ElapsedMs(), 100);
  EXPECT_LT(prompts.ElapsedMs(), 1000);
  EXPECT_EQ(prompts.answers_used(), 2u);
}

struct ConfirmCase {
  const wchar_t* script;
  int mode;
  int answer;
  bool goes_on;
  bool shown;
};

TEST_F(PromptsTest, ConfirmCommandByScriptAndMode) {
  const ConfirmCase cases[] = {
      {L"", 1, IDYES, true, true},    {L"", 2, IDNO, false, true},   {L"", 0, IDYES, true, true},
      {L"", 5, IDNO, false, true},    {L"", 3, IDNO, true, false},   {L"0", 1, IDYES, false, false},
      {L"0", 3, IDYES, false, false}, {L"1", 2, IDNO, true, false},  {L"01", 1, IDYES, false, false},
      {L"x", 2, IDNO, true, false},   {nullptr, 2, IDNO, false, true},
  };
  for (const ConfirmCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.script ? std::string(c.script, c.script + std::wcslen(c.script)) : "null")
                                    << " mode " << c.mode);
    host.ui().Reset();
    *addin.OperatingMode = c.mode;
    host.ui().QueueAnswer(c.answer);
    const std::wstring counted = c.script ? Counted(c.script) : L"";
    EXPECT_EQ(ConfirmCommand(ScriptedAnswers(c.script ? counted.c_str() : nullptr), L"Transpose?"), c.goes_on);
    ASSERT_EQ(boxes().size(), c.shown ? 1u : 0u);
    if (!c.shown) continue;
    EXPECT_EQ(boxes()[0].text, L"Transpose?");
    EXPECT_EQ(boxes()[0].caption, std::wstring(ProductTitle));
    EXPECT_EQ(boxes()[0].type, 0x24u);
  }
}

struct NoticeCase {
  const wchar_t* script;
  size_t position;
  int mode;
  bool shown;
};

TEST_F(PromptsTest, TimingNoticeByScriptPositionAndMode) {
  const NoticeCase cases[] = {
      {L"", 1, 1, true},    {L"", 1, 2, false},  {L"", 1, 3, false},  {L"", 1, 0, false},
      {L"1", 1, 2, true},   {L"1", 1, 3, true},  {L"0", 1, 1, false}, {L"1", 2, 1, true},
      {L"1", 2, 2, false},  {L"10", 2, 1, false}, {L"11", 2, 3, true}, {L"x0", 1, 3, true},
  };
  for (const NoticeCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.script, c.script + std::wcslen(c.script)) << " position "
                                    << c.position << " mode " << c.mode);
    host.ui().Reset();
    *addin.OperatingMode = c.mode;
    const std::wstring counted = Counted(c.script);
    TimingNotice(ScriptedAnswers(counted.c_str()), c.position, std::clock());
    ASSERT_EQ(boxes().size(), c.shown ? 1u : 0u);
    if (!c.shown) continue;
    EXPECT_EQ(boxes()[0].text.rfind(L"millisecond: ", 0), 0u);
    EXPECT_EQ(boxes()[0].caption, std::wstring(ProductTitle));
    EXPECT_EQ(boxes()[0].type, 0x40040u);
  }
}

TEST_F(PromptsTest, TimingNoticeShowsTheMillisecondsSinceTheStart) {
  *addin.OperatingMode = 1;
  const std::clock_t start = std::clock();
  Sleep(150);
  const std::clock_t before = std::clock();
  TimingNotice(ScriptedAnswers(nullptr), 1, start);
  const long long most = (std::clock() - start) * 1000 / CLOCKS_PER_SEC;
  const long long least = (before - start) * 1000 / CLOCKS_PER_SEC;
  ASSERT_EQ(boxes().size(), 1u);
  const long long shown = std::stoll(boxes()[0].text.substr(13));
  EXPECT_GE(shown, least);
  EXPECT_LE(shown, most);
  EXPECT_GE(shown, 140);
}

TEST_F(PromptsTest, ShowBoxIsOwnedByTheHostWindowInEveryMode) {
  for (int mode : {1, 2, 3}) {
    host.ui().Reset();
    *addin.OperatingMode = mode;
    ShowBox(kErrorBox, L"wrong selection");
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].type, 0x40010u);
    EXPECT_EQ(boxes()[0].owner, host.windows().main());
    EXPECT_EQ(boxes()[0].caption, std::wstring(ProductTitle));
  }
  EXPECT_EQ(kQuestionBox, 0x24u);
  EXPECT_EQ(kWarningBox, 0x40030u);
  EXPECT_EQ(kInformationBox, 0x40040u);
}

}  // namespace
}  // namespace korvel::test
