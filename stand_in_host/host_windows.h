// The stand-in host's windows: a main window ("XLMAIN"), its desk ("XLDESK") and one workbook window of
// class "EXCEL7" per window of the object model. A workbook window answers WM_GETOBJECT for the native
// object model with its window object, whose Application is the stand-in Application.
#pragma once

#include <windows.h>

#include <vector>

#include "object_model/object_model.h"

namespace korvel::standin {

class HostWindows {
 public:
  // Creates the main window and one workbook window per window of `application`.
  explicit HostWindows(Application* application);
  ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  HWND main() const { return main_; }
  HWND desk() const { return desk_; }
  const std::vector<HWND>& workbook_windows() const { return books_; }
  // Adds a workbook window for `window`, an object of the model.
  HWND AddWorkbookWindow(HostObject* window);
  // How many WM_GETOBJECT requests for the native object model were answered.
  int object_requests() const { return object_requests_; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  HWND main_ = nullptr;
  HWND desk_ = nullptr;
  std::vector<HWND> books_;
  int object_requests_ = 0;
};

}  // namespace korvel::standin
