#include "menus/prompts.h"

#include <string>

#include "host/host_call.h"
#include "host/host_state.h"

namespace korvel::xll {

long long ElapsedMilliseconds(std::clock_t start, std::clock_t now) {
  return static_cast<long long>(now - start) * 1000 / CLOCKS_PER_SEC;
}

int ShowBox(UINT type, const wchar_t* text) { return MessageBoxW(GetHostHwnd(), text, ProductTitle, type); }

int MsgBoxTimed(const ScriptedAnswers* script, size_t& answer_index, std::clock_t& timer_start, UINT type,
                const wchar_t* text) {
  const std::clock_t t0 = std::clock();
  int answer = IDOK;
  // The index moves for every box that reads the script, also once no character is left for it.
  const bool scripted = script && script->Has(++answer_index);
  if (scripted) {
    answer = script->Yes(answer_index) ? IDOK : IDCANCEL;
  } else if (OperatingMode != kModeFast) {
    const std::wstring caption = std::wstring(ProductTitle) + L" (timing: " +
                                 std::to_wstring(ElapsedMilliseconds(timer_start, t0)) + L" ms)";
    answer = MessageBoxW(GetHostHwnd(), text, caption.c_str(), type);
  }
  timer_start += std::clock() - t0;
  return answer;
}

bool ConfirmCommand(const ScriptedAnswers& script, const wchar_t* prompt) {
  if (script.Has(1)) return script.Yes(1);
  if (OperatingMode == kModeFast) return true;
  return ShowBox(kQuestionBox, prompt) == IDYES;
}

bool TimingWanted(const ScriptedAnswers& script, size_t position) {
  return script.Has(position) ? script.Yes(position) : OperatingMode == kModeTest;
}

void TimingNotice(const ScriptedAnswers& script, size_t position, std::clock_t start) {
  if (!TimingWanted(script, position)) return;
  const std::wstring text = L"millisecond: " + std::to_wstring(ElapsedMilliseconds(start, std::clock()));
  ShowBox(kInformationBox, text.c_str());
}

}  // namespace korvel::xll
