#include "host/auto_wrap.h"

#include <cstdarg>
#include <new>
#include <string>

#include "host/fast_mode.h"
#include "host/host_call.h"
#include "host/host_state.h"

using korvel::xll::OwnedVariant;
using korvel::xll::VariantError;

namespace {

enum class Walker { X, X3, X2 };

const wchar_t* BoxPrefix(Walker w) {
  switch (w) {
    case Walker::X3: return L"AutoWrapX3";
    case Walker::X2: return L"AutoWrapX2";
    default: return L"AutoWrapX";
  }
}

struct Segment {
  std::wstring name;
  std::vector<std::wstring> args;  // in the order written
};

// Cuts the path the way the add-in always has: a copy with one "." appended, each character that ends a
// name or an argument overwritten by a terminator, names and arguments read up to the next terminator.
std::vector<Segment> CutPath(const wchar_t* path) {
  std::wstring copy = path ? path : L"";
  copy += L'.';
  std::vector<Segment> segments;
  Segment current;
  size_t name_start = 0;
  size_t arg_start = 0;
  bool inside = false;
  auto text_at = [&copy](size_t start) { return std::wstring(copy.c_str() + start); };
  for (size_t i = 0; i < copy.size(); ++i) {
    const wchar_t c = copy[i];
    if (c == L'.') {
      copy[i] = L'\0';
      // A ")" closes the list only inside one: outside, it belongs to the name.
      const bool closes = inside && i > 0 && copy[i - 1] == L')';
      if (closes) copy[i - 1] = L'\0';
      current.name = text_at(name_start);
      if (closes) {
        current.args.push_back(text_at(arg_start));
        inside = false;
      }
      segments.push_back(std::move(current));
      current = Segment{};
      name_start = i + 1;
    } else if (!inside && c == L'(') {
      copy[i] = L'\0';
      inside = true;
      arg_start = i + 1;
    } else if (inside && c == L',') {
      copy[i] = L'\0';
      current.args.push_back(text_at(arg_start));
      arg_start = i + 1;
    }
  }
  return segments;
}

class PathCall {
 public:
  PathCall(Walker walker, const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
           std::vector<OwnedVariant>* further, std::vector<OwnedVariant>&& counted)
      : walker_(walker), path_(path), object_(object), flags_(flags), result_(result), quiet_(quiet),
        further_(further), counted_(std::move(counted)) {}

  int Run() {
    try {
      return Walk();
    } catch (const VariantError& e) {
      return Fail(e.hr, L">Function:VARIANT>Arg:" + failing_name_);
    } catch (const std::bad_alloc&) {
      return Fail(E_OUTOFMEMORY, L">Function:VARIANT>Arg:" + failing_name_);
    }
  }

 private:
  int Walk() {
    const std::vector<Segment> segments = CutPath(path_);
    std::vector<OwnedVariant> args;
    args.reserve(korvel::xll::kMaxXlArgs);
    IDispatch* start = object_ ? object_->pdispVal : pExcelDisp;

    // The holder carries the current object; for the X walks it is also where each member's result lands.
    OwnedVariant local;
    VARIANT* holder = result_ ? result_ : &local;
    if (walker_ != Walker::X2 && holder != object_) {
      // The reference is taken before the result is cleared: the result may hold the start object itself.
      if (start) start->AddRef();
      auto own = korvel::ComPtr<IDispatch>::Adopt(start);
      if (result_) {
        HRESULT hr = VariantClear(result_);
        if (FAILED(hr)) throw VariantError{hr};
      }
      holder->vt = VT_DISPATCH;
      holder->pdispVal = own.detach();
    }
    // X2 holds the current object without a reference of its own; `kept` keeps the last result alive.
    IDispatch* plain = start;
    OwnedVariant kept;

    HRESULT last = S_OK;
    for (size_t k = 0; k < segments.size(); ++k) {
      const Segment& seg = segments[k];
      const bool is_last = k + 1 == segments.size();
      failing_name_ = seg.name;
      args.clear();
      for (const std::wstring& text : seg.args) {
        args.insert(args.begin(), OwnedVariant::Text(text.c_str()));
        // A text that does not read as a number stays a text.
        VariantChangeType(&args.front(), &args.front(), 0, walker_ == Walker::X2 ? VT_R8 : VT_I8);
      }
      if (is_last) {
        if (further_)
          for (const OwnedVariant& v : *further_) args.insert(args.begin(), v);
        else
          for (const OwnedVariant& v : counted_) args.insert(args.begin(), v);
      }

      // X3 empties the holder before the segment; X moves it out only around Invoke, so that the object
      // whose call failed stays with the caller. Neither lets the callee see the reference it is called on.
      OwnedVariant called;
      IDispatch* target = nullptr;
      if (walker_ == Walker::X2) {
        target = plain;
      } else {
        if (walker_ == Walker::X3) called = OwnedVariant::Adopt(*holder);
        const VARIANT& current = walker_ == Walker::X3 ? static_cast<const VARIANT&>(called) : *holder;
        // Only the start object is taken without looking at its type: a member's result that is not an
        // object is never called.
        if (k == 0)
          target = start;
        else if (current.vt == VT_DISPATCH)
          target = current.pdispVal;
      }
      if (!target) {
        Fail(S_OK, L">ERROR:IDispatch>" + seg.name, /*object_failure=*/true);
        return k == 0 ? 1 : last;
      }

      DISPID id = 0;
      LPOLESTR name = const_cast<LPOLESTR>(seg.name.c_str());
      HRESULT hr = target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
      if (FAILED(hr)) return Fail(hr, L">Function:GetIDsOfNames>Arg: " + seg.name);

      DISPID put_id = DISPID_PROPERTYPUT;
      const bool put = is_last && (flags_ & DISPATCH_PROPERTYPUT);
      DISPPARAMS params{args.empty() ? nullptr : static_cast<VARIANTARG*>(args.data()), put ? &put_id : nullptr,
                        static_cast<UINT>(args.size()), put ? 1u : 0u};
      const WORD invoke_flags = put ? static_cast<WORD>(flags_) : DISPATCH_METHOD | DISPATCH_PROPERTYGET;

      if (walker_ == Walker::X2) {
        OwnedVariant fresh;
        hr = target->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, invoke_flags, &params, &fresh, nullptr, nullptr);
        if (FAILED(hr))
          return Fail(hr, std::wstring(put ? L">Function:Invoke Arg>" : L">Function:Invoke>Arg:") + seg.name);
        kept = std::move(fresh);
        plain = kept.vt == VT_DISPATCH ? kept.pdispVal : nullptr;
      } else {
        if (walker_ == Walker::X) called = OwnedVariant::Adopt(*holder);
        hr = target->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, invoke_flags, &params, holder, nullptr, nullptr);
        if (FAILED(hr)) {
          // The member left its result alone: the object whose call failed goes back into the holder.
          if (walker_ == Walker::X && holder->vt == VT_EMPTY) {
            *holder = called;
            VariantInit(&called);
          }
          return Fail(hr, L">Function:Invoke>Arg:" + seg.name);
        }
      }
      last = hr;
    }
    if (walker_ == Walker::X2 && result_) {
      HRESULT hr = VariantClear(result_);
      if (FAILED(hr)) throw VariantError{hr};
      hr = VariantCopy(result_, &kept);
      if (FAILED(hr)) throw VariantError{hr};
    }
    return last;
  }

  int Fail(HRESULT hr, const std::wstring& detail, bool object_failure = false) {
    korvel::xll::NoteHostCallFailure();
    korvel::xll::RestoreHostBeforeReport();
    if (!quiet_) {
      std::wstring text = BoxPrefix(walker_);
      if (!object_failure) text += L">ERROR:" + std::to_wstring(static_cast<long>(hr));
      text += detail;
      MessageBoxW(GetHostHwnd(), text.c_str(), korvel::xll::ProductTitle, MB_OK | MB_ICONERROR | MB_TOPMOST);
    }
    return hr;
  }

  Walker walker_;
  const wchar_t* path_;
  VARIANT* object_;
  int flags_;
  VARIANT* result_;
  bool quiet_;
  std::vector<OwnedVariant>* further_;
  std::vector<OwnedVariant> counted_;
  std::wstring failing_name_;
};

std::vector<OwnedVariant> CopyCounted(std::vector<OwnedVariant>* args, int count, va_list ap) {
  std::vector<OwnedVariant> out;
  if (args || count <= 0) return out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) out.emplace_back(va_arg(ap, VARIANT));
  return out;
}

int RunPath(Walker walker, const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
            std::vector<OwnedVariant>* args, std::vector<OwnedVariant>&& counted) {
  return PathCall(walker, path, object, flags, result, quiet, args, std::move(counted)).Run();
}

}  // namespace

#define KORVEL_PATH_CALL(walker)                                                      \
  std::vector<OwnedVariant> counted;                                                  \
  try {                                                                               \
    va_list ap;                                                                       \
    va_start(ap, count);                                                              \
    try {                                                                             \
      counted = CopyCounted(args, count, ap);                                         \
    } catch (...) {                                                                   \
      va_end(ap);                                                                     \
      throw;                                                                          \
    }                                                                                 \
    va_end(ap);                                                                       \
  } catch (const VariantError& e) {                                                   \
    korvel::xll::NoteHostCallFailure();                                               \
    korvel::xll::RestoreHostBeforeReport();                                           \
    return e.hr;                                                                      \
  } catch (const std::bad_alloc&) {                                                   \
    korvel::xll::NoteHostCallFailure();                                               \
    korvel::xll::RestoreHostBeforeReport();                                           \
    return E_OUTOFMEMORY;                                                             \
  }                                                                                   \
  return RunPath(walker, path, object, flags, result, quiet, args, std::move(counted))

extern "C" int AutoWrapX(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
                         std::vector<OwnedVariant>* args, int count, ...) {
  KORVEL_PATH_CALL(Walker::X);
}

extern "C" int AutoWrapX3(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
                          std::vector<OwnedVariant>* args, int count, ...) {
  KORVEL_PATH_CALL(Walker::X3);
}

extern "C" int AutoWrapX2(const wchar_t* path, VARIANT* object, int flags, VARIANT* result, bool quiet,
                          std::vector<OwnedVariant>* args, int count, ...) {
  KORVEL_PATH_CALL(Walker::X2);
}

extern "C" HRESULT AutoWrap(int flags, VARIANT* result, IDispatch* object, const wchar_t* name, int count, ...) {
  if (!object) return 1;
  DISPID id = 0;
  LPOLESTR member = const_cast<LPOLESTR>(name);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  try {
    // Copied bit for bit: the caller keeps and clears its VARIANTs.
    std::vector<VARIANT> args(count > 0 ? count : 0);
    va_list ap;
    va_start(ap, count);
    for (VARIANT& v : args) v = va_arg(ap, VARIANT);
    va_end(ap);
    DISPID put_id = DISPID_PROPERTYPUT;
    const bool put = flags & DISPATCH_PROPERTYPUT;
    DISPPARAMS params{args.empty() ? nullptr : args.data(), put ? &put_id : nullptr, static_cast<UINT>(args.size()),
                      put ? 1u : 0u};
    return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, static_cast<WORD>(flags), &params, result, nullptr,
                          nullptr);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
