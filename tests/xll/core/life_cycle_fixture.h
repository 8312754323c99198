// What the life-cycle tests share: a host started as a case asks, with the add-in in its load state and no
// Application object yet, and the checks that every case ends with.
#pragma once

#include <string>
#include <utility>
#include <algorithm>
#include <iterator>
#include <vector>

#include "add_in.h"
#include "startup/life_cycle_steps.h"
#include "startup/load_state.h"

namespace korvel::test {

constexpr LONG kRussianUI = 1049;
constexpr LONG kEnglishUI = 1033;

// Positions in StartUpSteps and RemovalSteps.
enum StartUpStep : size_t { kRegistration, kApplication, kLanguage, kMenus, kServer, kReferences, kServerObject, kSink };
enum RemovalStep : size_t { kRemoveMenus, kRemoveReferences, kDisconnectSink, kUnregisterServer, kUninitialiseOle };

// Steps that ran in place of a recorder: start-up steps by their index, removal steps by 100 + index.
inline std::vector<size_t> g_ran;
template <size_t I>
bool Ran() {
  g_ran.push_back(I);
  return true;
}
template <size_t... I>
void RecordStartUpSteps(std::index_sequence<I...>) {
  ((StartUpSteps[I].run = &Ran<I>), ...);
}

class LifeCycleTest : public AddInTest {
 protected:
  void SetUp() override {
    AddInTest::SetUp();
    Start(HostStart::kOneWorkbook, kRussianUI);
    std::copy(std::begin(StartUpSteps), std::end(StartUpSteps), std::begin(real_start_up_));
    std::copy(std::begin(RemovalSteps), std::end(RemovalSteps), std::begin(real_removal_));
    RecordStepsOfOtherConcerns();
  }
  void TearDown() override {
    // Whatever the case did, the host's memory came back once each.
    EXPECT_EQ(host.api().outstanding(), 0u) << "host memory not handed back";
    EXPECT_EQ(host.api().bad_frees(), 0u) << "memory handed back that the host did not give or gave back twice";
    AddInTest::TearDown();
  }

  // A fresh host, started with a workbook window or without, whose user interface is in `language`.
  void Start(HostStart start, LONG language) {
    if (*addin.pExcelDisp) std::exchange(*addin.pExcelDisp, nullptr)->Release();
    host.Reset(start);
    app()->set_interface_language(language);
  }

  // The menus, the COM server, the references and the event sink are the code of their own concerns and are
  // tested there: here recorders stand in for them, so that these cases see the life cycle alone.
  void RecordStepsOfOtherConcerns() {
    g_ran.clear();
    StartUpSteps[kMenus].run = &Ran<kMenus>;
    StartUpSteps[kServer].run = &Ran<kServer>;
    StartUpSteps[kReferences].run = &Ran<kReferences>;
    StartUpSteps[kServerObject].run = &Ran<kServerObject>;
    StartUpSteps[kSink].run = &Ran<kSink>;
    RemovalSteps[kRemoveMenus].run = &Ran<100 + kRemoveMenus>;
    RemovalSteps[kRemoveReferences].run = &Ran<100 + kRemoveReferences>;
    RemovalSteps[kUnregisterServer].run = &Ran<100 + kUnregisterServer>;
  }
  // The add-in back in its load state, and a fresh host.
  void Fresh(HostStart start, LONG language) {
    korvel::xll::RestoreLoadState();
    Start(start, language);
    RecordStepsOfOtherConcerns();
  }

  // The steps as the library has them, for a case that wants one of them real.
  LifeCycleStep real_start_up_[kStartUpStepCount];
  LifeCycleStep real_removal_[kRemovalStepCount];

  long long Counter(StartupCounter which) const { return ::StartupCounters[which]; }

  std::vector<std::wstring> WorkbookNames() {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < app()->workbooks()->size(); ++i) {
      const OwnedVariant& name = app()->workbooks()->At(i)->Value(L"Name");
      names.emplace_back(name.bstrVal, SysStringLen(name.bstrVal));
    }
    return names;
  }

  std::vector<std::wstring> BoxTexts() {
    std::vector<std::wstring> texts;
    for (const ShownBox& b : boxes()) texts.push_back(b.text);
    return texts;
  }
};

}  // namespace korvel::test
