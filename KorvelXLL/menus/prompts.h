// The frame of the menu commands: their one argument (scripted answers), the operating mode's say over the
// boxes, questions, timings, and the message boxes that every command shows.
//
// A command starts from its ScriptedAnswers and takes one of two shapes:
//
//   int __stdcall XLLbuttonSomething(wchar_t* scripted_answers) {
//     try {
//       const ScriptedAnswers script(scripted_answers);
//       if (!ConfirmCommand(script, L"Do it?")) return -1;       // reads script character 1
//       const std::clock_t start = std::clock();                 // the work begins
//       ...; on a host failure: return -1 (the host layer showed its box)
//       TimingNotice(script, 2, start);                          // reads script character 2
//       return 0;
//     } catch (...) { return -1; }
//   }
//
// or, for a command whose every box is timed, a TimedPrompts over the script:
//
//   TimedPrompts prompts(scripted_answers);
//   if (IsDeclined(prompts.Ask(kQuestionBox, L"Go on?"))) return -1;
//   ...
//   prompts.Ask(kInformationBox, L"Cells changed: 12");          // also answered by the script or mode
//
// Error and warning boxes (ShowBox) read no script character and are shown in every mode.
#pragma once

#include <windows.h>

#include <cstddef>
#include <ctime>

namespace korvel::xll {

// The box types of the add-in.
constexpr UINT kQuestionBox = MB_YESNO | MB_ICONQUESTION;                  // 0x24, not topmost
constexpr UINT kErrorBox = MB_OK | MB_ICONERROR | MB_TOPMOST;             // 0x40010
constexpr UINT kWarningBox = MB_OK | MB_ICONWARNING | MB_TOPMOST;         // 0x40030
constexpr UINT kInformationBox = MB_OK | MB_ICONINFORMATION | MB_TOPMOST;  // 0x40040

// Values of OperatingMode (the 1-based position in the menu's mode list). Any other value acts as User.
enum OperatingModeValue : int {
  kModeTest = 1,  // questions and every timing box
  kModeUser = 2,  // questions, no final timing box
  kModeFast = 3,  // neither: questions count as answered Yes
};

// A command's one argument: a counted UTF-16 string (element 0 the count). Character k (from 1) answers the
// k-th box that reads the script: "0" No or Cancel, anything else Yes or OK. Null or count 0: no answers.
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(const wchar_t* counted) : text_(counted && counted[0] ? counted + 1 : nullptr),
                                                     size_(counted ? counted[0] : 0) {}
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Whether character k (from 1) exists.
  bool Has(size_t k) const { return k >= 1 && k <= size_; }
  // Whether character k says Yes; only meaningful when Has(k).
  bool Yes(size_t k) const { return Has(k) && text_[k - 1] != L'0'; }

 private:
  const wchar_t* text_;
  size_t size_;
};

// No or Cancel: what a declined question gives, shown (IDNO) or scripted (IDCANCEL).
inline bool IsDeclined(int answer) { return answer == IDNO || answer == IDCANCEL; }

// Milliseconds from the clock reading `start` to `now`.
long long ElapsedMilliseconds(std::clock_t start, std::clock_t now);

// A box owned by the host's main window (none when the host gives none), captioned ProductTitle; gives the
// box's answer. For the boxes that every mode shows: errors, warnings, results.
int ShowBox(UINT type, const wchar_t* text);

// A box that the script, then the mode, may answer unseen: with a script, character index + 1 answers it
// (IDCANCEL for "0", else IDOK) and the index moves on, even when no character is left; in mode Fast the
// answer is IDOK. Otherwise the box is shown with ProductTitle + " (timing: N ms)" as its caption, N being
// the milliseconds since `timer_start`. The time spent in here is added to `timer_start`, so that later
// readings of the command's elapsed time leave it out.
int MsgBoxTimed(const ScriptedAnswers* script, size_t& answer_index, std::clock_t& timer_start, UINT type,
                const wchar_t* text);

// The question before a command starts: script character 1 decides when there is one, else mode Fast goes
// on unasked, else a question box (0x24) with `prompt`. False: the command was declined and returns -1
// having touched nothing.
bool ConfirmCommand(const ScriptedAnswers& script, const wchar_t* prompt);

// The box "millisecond: N" (information) at a command's end, N the milliseconds since `start`: shown when
// script character `position` exists and is not "0"; with no such character, only in mode Test. `position`
// is 2 in a command that confirms first, 1 in one that does not.
void TimingNotice(const ScriptedAnswers& script, size_t position, std::clock_t start);
// TimingNotice's rule alone, for commands that show timings of their own text.
bool TimingWanted(const ScriptedAnswers& script, size_t position);

// The answer index and timer of a command whose boxes all go through MsgBoxTimed; the timer starts when the
// prompts are made.
class TimedPrompts {
 public:
  explicit TimedPrompts(const wchar_t* scripted_answers)
      : script_(scripted_answers), start_(std::clock()) {}
  int Ask(UINT type, const wchar_t* text) { return MsgBoxTimed(&script_, index_, start_, type, text); }
  // Milliseconds of work so far, without the time boxes stayed open.
  long long ElapsedMs() const { return ElapsedMilliseconds(start_, std::clock()); }
  const ScriptedAnswers& script() const { return script_; }
  size_t answers_used() const { return index_; }

 private:
  ScriptedAnswers script_;
  size_t index_ = 0;
  std::clock_t start_;
};

}  // namespace korvel::xll
