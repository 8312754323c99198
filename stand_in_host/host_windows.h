// The stand-in host's windows: one top-level frame ("XLMAIN") per workbook window of the object model, each
// with its desk ("XLDESK") and its workbook window of class "EXCEL7"; a host without any workbook window has
// one empty frame. A workbook window answers WM_GETOBJECT for the native object model with its window
// object, whose Application is the stand-in Application, unless a test makes it refuse. The host's window
// handle (xlGetHwnd) is the frame of the active window, or the empty frame once no window is left.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "object_model/object_model.h"

namespace korvel::standin {

class HostWindows {
 public:
  // Creates one frame per window of `application`, or the empty frame when it has none, and follows the
  // windows that the application adds later.
  explicit HostWindows(Application* application);
  ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  // The frame of the active window: what xlGetHwnd gives.
  HWND main() const;
  HWND FrameOf(HostObject* window) const;
  const std::vector<HWND>& workbook_windows() const { return books_; }
  // Adds a frame with a workbook window for `window`, an object of the model; gives the workbook window.
  HWND AddWorkbookWindow(HostObject* window);
  // How many WM_GETOBJECT requests for the native object model were answered.
  int object_requests() const { return object_requests_; }
  // The workbook window of `window` answers no WM_GETOBJECT from now on, as a busy or foreign window does.
  void RefuseObjectRequests(HostObject* window);
  // Every workbook window made from now on refuses too; false lets them answer again.
  void set_refuse_new_windows(bool refuse) { refuse_new_ = refuse; }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void RemoveWorkbookWindow(HostObject* window);
  Application* application_;
  HWND empty_frame_ = nullptr;
  std::vector<HWND> frames_;
  std::vector<HWND> books_;
  std::map<HostObject*, HWND> frame_of_;
  std::map<HostObject*, HWND> book_of_;
  int object_requests_ = 0;
  bool refuse_new_ = false;
};

}  // namespace korvel::standin
