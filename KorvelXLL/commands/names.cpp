// Two commands over the defined names of the active workbook: every name made visible, and the names whose
// formula holds an error marker deleted (hidden ones included).
#include <ctime>
#include <string>

#include "commands/formula_text.h"
#include "commands/object_calls.h"
#include "host/host_state.h"
#include "menus/prompts.h"
#include "startup/exports.h"

using namespace korvel::xll;

namespace {

// The error values of the host's languages, in the order they are looked for.
const wchar_t* const kErrorMarkers[] = {L"#REF!", L"#NAME?", L"#Data", L"#ССЫЛКА!", L"#ИМЯ?", L"#Данные"};

// A name is an error name when its formula holds a marker outside its text constants, quoted sheet and book
// names and structured references: ="see #REF!", ='#Data'!$A$1 and =Table1[#Data] are names that work and
// stay (a deletion cannot be undone).
bool IsErrorName(const std::wstring& formula) {
  for (const wchar_t* marker : kErrorMarkers)
    if (OccursInFormulaSyntax(formula, marker)) return true;
  return false;
}

// Get ActiveWorkbook, its Names and their Count, each failure an error box naming the step.
bool OpenNames(HeldObject& names, long long& count) {
  HeldObject book;
  if (CallMember(kGetMember, pExcelDisp, L"ActiveWorkbook", book.out()) != 0) {
    ShowBox(kErrorBox, L"ActiveWorkbook");
    return false;
  }
  if (CallMember(kGetMember, book.get(), L"Names", names.out()) != 0) {
    ShowBox(kErrorBox, L"Names");
    return false;
  }
  OwnedVariant n;
  if (CallMember(kGetMember, names.get(), L"Count", &n) != 0 || !ReadInteger(n, count)) {
    ShowBox(kErrorBox, L"Count");
    return false;
  }
  return true;
}

int MakeNamesVisible(const ScriptedAnswers& script) {
  const std::clock_t start = std::clock();
  HeldObject names;
  long long count = 0;
  if (!OpenNames(names, count)) return -1;
  for (long long i = 1; i <= count; ++i) {
    HeldObject name;
    if (CallMember(kCallMember, names.get(), L"Item", name.out(), {OwnedVariant::I4(static_cast<LONG>(i))}) != 0) {
      ShowBox(kErrorBox, L"Item");
      return -1;
    }
    if (CallMember(kPutMember, name.get(), L"Visible", nullptr, {OwnedVariant::I4(1)}) != 0) {
      ShowBox(kErrorBox, L"Visible");
      return -1;
    }
  }
  TimingNotice(script, 1, start);
  return 0;
}

constexpr wchar_t kDeleteQuestion[] =
    L"Удалить в книге все имена, в т.ч. 'скрытые' с ошибочными значениями, содержащие\n'#REF!', '#NAME?', "
    L"'#Data', '#ССЫЛКА!','#ИМЯ?, '#Данные'?\n\n(эту операцию невозможно отменить)";

// One name, visited from the last to the first so that a deletion never moves a name still to come.
// Gives whether it was deleted.
bool DeleteIfErrorName(IDispatch* names, long long i) {
  HeldObject name;
  if (CallMember(kCallMember, names, L"Item", name.out(), {OwnedVariant::I8(i)}) != 0) {
    ShowBox(kWarningBox, L"Item");
    return false;
  }
  OwnedVariant value;
  std::wstring formula;
  if (CallMember(kGetMember, name.get(), L"Value", &value) != 0) {
    ShowBox(kWarningBox, L"Value");
    return false;
  }
  if (!ReadText(value, formula) || !IsErrorName(formula)) return false;
  // A hidden name is made visible first, whatever that gives: the host deletes visible names.
  CallMember(kPutMember, name.get(), L"Visible", nullptr, {OwnedVariant::I4(1)});
  if (CallMember(kCallMember, name.get(), L"Delete", nullptr) == 0) return true;
  OwnedVariant text;
  std::wstring shown;
  if (CallMember(kGetMember, name.get(), L"Name", &text) == 0) ReadText(text, shown);
  const std::wstring warning =
      L"Ошибка при удалении имени:\n" + shown + L"\n\nУдалите это имя вручную в Диспетчере имён.";
  ShowBox(kWarningBox, warning.c_str());
  return false;
}

int DeleteErrorNames(const ScriptedAnswers& script) {
  if (!ConfirmCommand(script, kDeleteQuestion)) return -1;
  std::clock_t start = std::clock();
  HeldObject names;
  long long count = 0;
  if (!OpenNames(names, count)) return -1;
  long long deleted = 0;
  for (long long i = count; i >= 1; --i) deleted += DeleteIfErrorName(names.get(), i) ? 1 : 0;
  // The count is a result, shown in every mode; the time it stays open is no part of the timing.
  const std::clock_t work_done = std::clock();
  ShowBox(kInformationBox, (L"Удалено Имён: " + std::to_wstring(deleted)).c_str());
  start += std::clock() - work_done;
  TimingNotice(script, 2, start);
  return 0;
}

}  // namespace

extern "C" int __stdcall XLLbuttonVisibleHiddenName(wchar_t* scripted_answers) {
  try {
    return MakeNamesVisible(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}

extern "C" int __stdcall XLLbuttonDeleteErrorName(wchar_t* scripted_answers) {
  try {
    return DeleteErrorNames(ScriptedAnswers(scripted_answers));
  } catch (...) {
    return -1;
  }
}
