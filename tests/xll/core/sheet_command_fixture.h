// The fixture of the commands that read and write the active sheet: its cells, a command run with a script,
// and the checks after every case (no host memory outstanding, no bad free, the host's objects held as often
// as at the start).
#pragma once

#include <string>
#include <vector>

#include "add_in.h"
#include "host_numbers.h"
#include "menus/prompts.h"

namespace korvel::test {

namespace h = korvel::standin::hostapi;

class SheetCommandTest : public AddInTest {
 protected:
  using Command = int(__stdcall*)(wchar_t*);

  void SetUp() override {
    AddInTest::SetUp();
    app_refs_ = app()->refs();
    sheet_refs_ = sheet()->refs();
  }
  void TearDown() override {
    EXPECT_EQ(host.api().outstanding(), 0u) << "host memory not given back";
    EXPECT_EQ(host.api().bad_frees(), 0u);
    EXPECT_EQ(app()->refs(), app_refs_) << "references to the Application";
    EXPECT_EQ(sheet()->refs(), sheet_refs_) << "references to the first sheet";
    AddInTest::TearDown();
  }

  Worksheet* sheet(size_t n = 0) { return static_cast<Worksheet*>(app()->active_workbook()->sheets()->At(n)); }
  SheetCells& cells(size_t n = 0) { return sheet(n)->cells(); }

  // Runs `command` with `answers` as its scripted answers (a counted string).
  int Run(Command command, const std::wstring& answers = L"") {
    std::wstring counted(1, static_cast<wchar_t>(answers.size()));
    counted += answers;
    return command(counted.data());
  }
  std::vector<std::wstring> BoxTexts() {
    std::vector<std::wstring> out;
    for (const ShownBox& b : boxes()) out.push_back(b.text);
    return out;
  }
  // Members invoked, in order, as "Kind.Member".
  std::vector<std::wstring> Invoked() {
    std::vector<std::wstring> out;
    for (const SeenInvoke& i : host.model().invokes())
      if (!i.nested) out.push_back(i.object + L"." + i.member);
    return out;
  }
  int CountInvokes(const std::wstring& member) {
    int n = 0;
    for (const SeenInvoke& i : host.model().invokes())
      if (!i.nested && i.member == member) ++n;
    return n;
  }

  LONG app_refs_ = 0;
  LONG sheet_refs_ = 0;
};

}  // namespace korvel::test
