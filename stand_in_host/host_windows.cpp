#include "host_windows.h"

#include <oleacc.h>

namespace korvel::standin {
namespace {

// The native object model's id, as the host answers it (OBJID_NATIVEOM).
constexpr LONG kNativeObjectModel = static_cast<LONG>(0xFFFFFFF0);

struct WindowData {
  HostWindows* owner;
  HostObject* window;  // kept alive by the object model
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

}  // namespace

HostWindows::HostWindows(Application* application) {
  RegisterClassOnce(L"XLMAIN", &DefWindowProcW);
  RegisterClassOnce(L"XLDESK", &DefWindowProcW);
  RegisterClassOnce(L"EXCEL7", &HostWindows::Procedure);
  main_ = CreateWindowExW(0, L"XLMAIN", L"Stand-in Spreadsheet", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  desk_ = CreateWindowExW(0, L"XLDESK", L"", WS_CHILD, 0, 0, 800, 600, main_, nullptr, GetModuleHandleW(nullptr),
                          nullptr);
  application->set_main_window(main_);
  for (size_t i = 0; i < application->windows()->size(); ++i) AddWorkbookWindow(application->windows()->At(i));
}

HostWindows::~HostWindows() {
  for (HWND h : books_) {
    delete reinterpret_cast<WindowData*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    DestroyWindow(h);
  }
  if (desk_) DestroyWindow(desk_);
  if (main_) DestroyWindow(main_);
}

HWND HostWindows::AddWorkbookWindow(HostObject* window) {
  HWND h = CreateWindowExW(0, L"EXCEL7", L"Book", WS_CHILD, 0, 0, 400, 300, desk_, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new WindowData{this, window}));
  books_.push_back(h);
  return h;
}

LRESULT CALLBACK HostWindows::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_GETOBJECT && static_cast<LONG>(lparam) == kNativeObjectModel) {
    auto* data = reinterpret_cast<WindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (data && data->window) {
      ++data->owner->object_requests_;
      return LresultFromObject(IID_IDispatch, wparam, static_cast<IDispatch*>(data->window));
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace korvel::standin
