// The Application object: workbooks, windows, the active workbook, sheet and window, language settings.
#pragma once

#include "object_model/command_bars.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

// A workbook window, with command bars of its own.
class Window : public HostObject {
 public:
  Window();
  CommandBars* command_bars() const { return static_cast<CommandBars*>(command_bars_.get()); }

 private:
  korvel::ComPtr<HostObject> command_bars_;
};

// A workbook that the host closed, as the close command was given.
struct ClosedWorkbook {
  std::wstring name;
  bool saved = false;
};

class Application : public HostObject {
 public:
  // The host as it starts: with one workbook "Book1" of three sheets and its window, or with none.
  explicit Application(bool with_workbook = true);
  Workbook* AddWorkbook(const std::wstring& name);
  HostObject* AddWindow(Workbook* book);
  // The host's new-workbook command: "BookN" (the next number of this session) with a window, made active.
  Workbook* NewWorkbook();
  // Activates the window whose caption (or whose workbook's name) is `name`, in any case; false when none.
  bool ActivateWindowNamed(const std::wstring& name);
  // Closes the active workbook and its windows; the next remaining window becomes active, or none.
  // False when no workbook is active.
  bool CloseActiveWorkbook(bool save);
  const std::vector<ClosedWorkbook>& closed_workbooks() const { return closed_; }
  Workbook* workbook_of(HostObject* window) const;
  // LanguageSettings.LanguageID(2), the user-interface language; 1049 when the host starts.
  void set_interface_language(LONG id);
  Workbook* active_workbook() const { return active_book_; }
  Worksheet* active_sheet() const { return active_sheet_; }
  HostObject* active_window() const { return active_window_; }
  // A test may take the active sheet, workbook or window away (null), as the host has none at times.
  void set_active_sheet(Worksheet* s) { active_sheet_ = s; }
  void set_active_workbook(Workbook* b) { active_book_ = b; }
  void set_active_window(HostObject* w) { active_window_ = w; }
  // Every formula cell of every open worksheet takes its registered value (Calculate, xlcCalculateNow).
  void CalculateAll();
  int calculations() const { return calculations_; }
  // The worksheet of any open workbook with this C API sheet id, or null.
  Worksheet* SheetById(DWORD_PTR id) const;
  // The worksheet named "Sheet1" (in the active workbook) or "[Book1]Sheet1", in any case; null when none.
  Worksheet* SheetNamed(const std::wstring& name) const;
  HostCollection* workbooks() const { return static_cast<HostCollection*>(workbooks_.get()); }
  HostCollection* windows() const { return static_cast<HostCollection*>(windows_.get()); }
  // The active window's command bars (the host's own while no window is active): what CommandBars gives.
  CommandBars* command_bars() const;
  // The window after the active one becomes active; a window set here is passed over, as if the host's
  // window order never came back to it.
  void ActivateNext();
  void set_activate_next_skips(HostObject* window) { skipped_window_ = window; }
  // The host's window handle (its Hwnd property), as the host's windows give it.
  void set_main_window(std::function<HWND()> provider) { main_window_ = std::move(provider); }
  // Told of every window added after the host's windows were made.
  void set_on_window_added(std::function<void(HostObject*)> f) { on_window_added_ = std::move(f); }
  // Told of every window the host closes, before it goes.
  void set_on_window_removed(std::function<void(HostObject*)> f) { on_window_removed_ = std::move(f); }

 private:
  korvel::ComPtr<HostObject> workbooks_, windows_, command_bars_, language_settings_;
  Workbook* active_book_ = nullptr;
  Worksheet* active_sheet_ = nullptr;
  HostObject* active_window_ = nullptr;
  HostObject* skipped_window_ = nullptr;
  std::function<HWND()> main_window_;
  std::function<void(HostObject*)> on_window_added_;
  std::function<void(HostObject*)> on_window_removed_;
  std::map<HostObject*, Workbook*> book_of_window_;
  std::vector<ClosedWorkbook> closed_;
  int books_made_ = 0;
  int calculations_ = 0;
};

}  // namespace korvel::standin
