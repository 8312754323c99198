// Value records as the host passes them to the add-in's exports: plain scalars, and an owner for texts,
// arrays and records that live as long as the test.
#pragma once

#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "host/xl_types.h"

namespace korvel::test {

using korvel::xll::XLOPER12;
using namespace korvel::xll;

// Argument records as the host passes "Q" values.
inline XLOPER12 XMissing() {
  XLOPER12 r{};
  r.xltype = xltypeMissing;
  return r;
}
inline XLOPER12 XNum(double v) {
  XLOPER12 r{};
  r.xltype = xltypeNum;
  r.val.num = v;
  return r;
}
inline XLOPER12 XInt(int v) {
  XLOPER12 r{};
  r.xltype = xltypeInt;
  r.val.w = v;
  return r;
}
inline XLOPER12 XBool(bool v) {
  XLOPER12 r{};
  r.xltype = xltypeBool;
  r.val.xbool = v;
  return r;
}
inline XLOPER12 XErr(int code) {
  XLOPER12 r{};
  r.xltype = xltypeErr;
  r.val.err = code;
  return r;
}
inline XLOPER12 XNil() {
  XLOPER12 r{};
  r.xltype = xltypeNil;
  return r;
}
// A string record of the host's; the buffer lives as long as the test keeps `storage`.
inline XLOPER12 XStr(const std::wstring& text, std::wstring& storage) {
  storage = std::wstring(1, static_cast<wchar_t>(text.size())) + text;
  XLOPER12 r{};
  r.xltype = xltypeStr;
  r.val.str = storage.data();
  return r;
}
inline XLOPER12 XKind(DWORD type) {
  XLOPER12 r{};
  r.xltype = type;
  return r;
}

// Values of arrays and arguments for direct calls of the exports, owning their texts, arrays and records.
class ValueRecords {
 public:
  XLOPER12 Num(double v) {
    XLOPER12 x{};
    x.xltype = xltypeNum;
    x.val.num = v;
    return x;
  }
  XLOPER12 Text(const std::wstring& s) {
    auto buffer = std::make_unique<wchar_t[]>(s.size() + 2);
    buffer[0] = static_cast<wchar_t>(s.size());
    std::wmemcpy(buffer.get() + 1, s.data(), s.size());
    buffer[s.size() + 1] = 0;
    XLOPER12 x{};
    x.xltype = xltypeStr;
    x.val.str = buffer.get();
    texts_.push_back(std::move(buffer));
    return x;
  }
  XLOPER12 Bool(bool b) {
    XLOPER12 x{};
    x.xltype = xltypeBool;
    x.val.xbool = b;
    return x;
  }
  XLOPER12 Err(int code) {
    XLOPER12 x{};
    x.xltype = xltypeErr;
    x.val.err = code;
    return x;
  }
  XLOPER12 Kind(DWORD type) {
    XLOPER12 x{};
    x.xltype = type;
    return x;
  }
  XLOPER12* Array(std::vector<XLOPER12> elements, int rows, int columns) {
    arrays_.push_back(std::make_unique<std::vector<XLOPER12>>(std::move(elements)));
    auto record = std::make_unique<XLOPER12>();
    record->xltype = xltypeMulti;
    record->val.array.lparray = arrays_.back()->data();
    record->val.array.rows = rows;
    record->val.array.columns = columns;
    records_.push_back(std::move(record));
    return records_.back().get();
  }
  XLOPER12* Keep(XLOPER12 x) {
    records_.push_back(std::make_unique<XLOPER12>(x));
    return records_.back().get();
  }

 private:
  std::vector<std::unique_ptr<wchar_t[]>> texts_;
  std::vector<std::unique_ptr<std::vector<XLOPER12>>> arrays_;
  std::vector<std::unique_ptr<XLOPER12>> records_;
};

}  // namespace korvel::test
