// The built add-in loaded into the stand-in host, its exports, and the fixture of every add-in test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "host/auto_wrap.h"
#include "host/fast_mode.h"
#include "host.h"
#include "host/host_call.h"
#include "host/host_state.h"
#include "menus/menu_tables.h"
#include "host/xl_records.h"
#include "startup/exports.h"
#include "temp_folder.h"

namespace korvel::test {

using namespace korvel::xll;
using namespace korvel::standin;

// The shipped add-in file, and this program, which holds the add-in's core.
std::wstring AddInPath();
std::wstring ProgramPath();

// The add-in's layers and entry points as this program holds them.
struct AddIn {
  static AddIn& Get();
  HMODULE module = nullptr;
#define KORVEL_EXPORT(name) decltype(&::name) name = nullptr
  KORVEL_EXPORT(Excel12);
  KORVEL_EXPORT(Excel12v);
  KORVEL_EXPORT(Excel12X);
  KORVEL_EXPORT(GetHostHwnd);
  KORVEL_EXPORT(HostCallVersion);
  KORVEL_EXPORT(NewXLStr);
  KORVEL_EXPORT(NewXLStrFromWString);
  KORVEL_EXPORT(NewXLArray);
  KORVEL_EXPORT(NewXLAreaRef);
  KORVEL_EXPORT(CellCount);
  KORVEL_EXPORT(FreeXLOper);
  KORVEL_EXPORT(AutoWrap);
  KORVEL_EXPORT(AutoWrapX);
  KORVEL_EXPORT(AutoWrapX2);
  KORVEL_EXPORT(AutoWrapX3);
  KORVEL_EXPORT(HostFastMode);
  KORVEL_EXPORT(SwapMenuTables);
#undef KORVEL_EXPORT
  void(__stdcall* xlAutoFree12)(XLOPER12*) = nullptr;
  void(__stdcall* SetExcel12EntryPt)(HostCallEntry) = nullptr;
  IDispatch** pExcelDisp = nullptr;
  bool* HostNormal = nullptr;
  int* OperatingMode = nullptr;
  MenuTable* ActiveMenuTable = nullptr;
  MenuTable* OtherMenuTable = nullptr;

 private:
  AddIn();
};

// A fresh stand-in host with the add-in loaded, pExcelDisp set to the stand-in Application, and a
// temporary folder of the test's own.
class AddInTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The add-in's core at its load state and a fresh host, as at the start of a test (the folder stays).
  void StartAfresh();

  ScopedTempFolder temp;

  Host& host = Host::Get();
  AddIn& addin = AddIn::Get();
  Application* app() { return host.application(); }
  const std::vector<ShownBox>& boxes() { return host.ui().boxes(); }
};

// VARIANT values for calls; a text is a new BSTR that the caller clears.
VARIANT VI4(LONG v);
VARIANT VText(const wchar_t* text);
VARIANT VDisp(IDispatch* d);  // adds a reference
std::wstring TextOf(const VARIANT& v);

}  // namespace korvel::test
