// Owner types for the OLE resources that cross the server's boundary. Nothing outside these types calls
// SysFreeString, VariantClear or Release by hand, so an early return cannot leak or double-free.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <utility>

namespace korvel {

class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR owned) : b_(owned) {}
  UniqueBstr(const wchar_t* text, UINT length) : b_(SysAllocStringLen(text, length)) {
    if (!b_ && (text || length)) throw std::bad_alloc();
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& o) noexcept : b_(o.release()) {}
  UniqueBstr& operator=(UniqueBstr&& o) noexcept { reset(o.release()); return *this; }
  ~UniqueBstr() { reset(); }

  BSTR get() const { return b_; }
  UINT length() const { return b_ ? SysStringLen(b_) : 0; }
  BSTR release() { return std::exchange(b_, nullptr); }
  void reset(BSTR b = nullptr) { if (b_ != b) { SysFreeString(b_); b_ = b; } }

 private:
  BSTR b_ = nullptr;
};

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v_); }
  VARIANT* get() { return &v_; }
  const VARIANT& operator*() const { return v_; }
  VARIANT* operator->() { return &v_; }
  void reset() { VariantClear(&v_); }

 private:
  VARIANT v_;
};

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& o) : p_(o.p_) { if (p_) p_->AddRef(); }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept { std::swap(p_, o.p_); return *this; }
  ~ComPtr() { reset(); }

  // Adopts a pointer that already carries a reference.
  static ComPtr Adopt(T* p) { ComPtr c; c.p_ = p; return c; }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() { reset(); return &p_; }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* detach() { return std::exchange(p_, nullptr); }
  void reset() { if (p_) std::exchange(p_, nullptr)->Release(); }

 private:
  T* p_ = nullptr;
};

// Turns any C++ exception that a member's body lets out into an HRESULT: nothing escapes an entry point.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace korvel
