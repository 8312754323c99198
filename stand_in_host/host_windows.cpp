#include "host_windows.h"

#include <oleacc.h>

#include <algorithm>

namespace korvel::standin {
namespace {

// The native object model's id, as the host answers it (OBJID_NATIVEOM).
constexpr LONG kNativeObjectModel = static_cast<LONG>(0xFFFFFFF0);

struct WindowData {
  HostWindows* owner;
  HostObject* window;  // kept alive by the object model
  bool refuses;
};

void RegisterClassOnce(const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

HWND MakeFrame() {
  HWND frame = CreateWindowExW(0, L"XLMAIN", L"Stand-in Spreadsheet", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
  CreateWindowExW(0, L"XLDESK", L"", WS_CHILD, 0, 0, 800, 600, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
  return frame;
}

}  // namespace

HostWindows::HostWindows(Application* application) : application_(application) {
  RegisterClassOnce(L"XLMAIN", &DefWindowProcW);
  RegisterClassOnce(L"XLDESK", &DefWindowProcW);
  RegisterClassOnce(L"EXCEL7", &HostWindows::Procedure);
  for (size_t i = 0; i < application->windows()->size(); ++i) AddWorkbookWindow(application->windows()->At(i));
  if (frames_.empty()) empty_frame_ = MakeFrame();
  application->set_main_window([this] { return main(); });
  application->set_on_window_added([this](HostObject* window) { AddWorkbookWindow(window); });
  application->set_on_window_removed([this](HostObject* window) { RemoveWorkbookWindow(window); });
}

HostWindows::~HostWindows() {
  application_->set_on_window_added(nullptr);
  application_->set_on_window_removed(nullptr);
  application_->set_main_window(nullptr);
  for (HWND h : books_) {
    delete reinterpret_cast<WindowData*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  }
  // Destroying a frame destroys its desk and workbook window with it.
  for (HWND f : frames_) DestroyWindow(f);
  if (empty_frame_) DestroyWindow(empty_frame_);
}

HWND HostWindows::main() const {
  if (HWND f = FrameOf(application_->active_window())) return f;
  if (empty_frame_) return empty_frame_;
  return frames_.empty() ? nullptr : frames_.front();
}

HWND HostWindows::FrameOf(HostObject* window) const {
  auto it = frame_of_.find(window);
  return it == frame_of_.end() ? nullptr : it->second;
}

HWND HostWindows::AddWorkbookWindow(HostObject* window) {
  HWND frame = MakeFrame();
  HWND desk = FindWindowExW(frame, nullptr, L"XLDESK", nullptr);
  HWND h = CreateWindowExW(0, L"EXCEL7", L"Book", WS_CHILD, 0, 0, 400, 300, desk, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new WindowData{this, window, refuse_new_}));
  frames_.push_back(frame);
  books_.push_back(h);
  frame_of_[window] = frame;
  book_of_[window] = h;
  return h;
}

void HostWindows::RefuseObjectRequests(HostObject* window) {
  auto it = book_of_.find(window);
  if (it == book_of_.end()) return;
  if (auto* data = reinterpret_cast<WindowData*>(GetWindowLongPtrW(it->second, GWLP_USERDATA))) data->refuses = true;
}

void HostWindows::RemoveWorkbookWindow(HostObject* window) {
  auto book = book_of_.find(window);
  auto frame = frame_of_.find(window);
  if (book == book_of_.end() || frame == frame_of_.end()) return;
  HWND h = book->second;
  delete reinterpret_cast<WindowData*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  SetWindowLongPtrW(h, GWLP_USERDATA, 0);
  DestroyWindow(frame->second);
  books_.erase(std::find(books_.begin(), books_.end(), h));
  frames_.erase(std::find(frames_.begin(), frames_.end(), frame->second));
  book_of_.erase(book);
  frame_of_.erase(frame);
  // The host without a workbook window still has its frame.
  if (frames_.empty() && !empty_frame_) empty_frame_ = MakeFrame();
}

LRESULT CALLBACK HostWindows::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETOBJECT && static_cast<LONG>(lparam) == kNativeObjectModel) {
    auto* data = reinterpret_cast<WindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (data && data->window && !data->refuses) {
      ++data->owner->object_requests_;
      return LresultFromObject(IID_IDispatch, wparam, static_cast<IDispatch*>(data->window));
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace korvel::standin
