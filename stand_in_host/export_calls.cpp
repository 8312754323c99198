#include "export_calls.h"

#include <condition_variable>
#include <mutex>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <stdexcept>
#include <thread>

#include "calculation.h"
#include "cells/cell_store.h"
#include "host_numbers.h"
#include "object_model/object_model.h"
#include "object_model/workbooks.h"

namespace korvel::standin {

using namespace hostapi;

namespace {

constexpr DWORD kKindMask = ~(xlbitXLFree | xlbitDLLFree);
constexpr size_t kCountedUnits = 32769;  // count, 32767 characters, terminator
constexpr size_t kMaxArgs = 12;

// The type letters of a type text: the result's first, then one per argument; modifiers ("$", "#", a
// leading ">") are dropped.
std::vector<std::wstring> Letters(const std::wstring& type_text) {
  std::vector<std::wstring> out;
  for (size_t i = 0; i < type_text.size(); ++i) {
    wchar_t c = type_text[i];
    if (c == L'$' || c == L'#' || c == L'>' || c == L'!') continue;
    std::wstring code(1, c);
    if (i + 1 < type_text.size() && type_text[i + 1] == L'%') code += type_text[++i];
    out.push_back(code);
  }
  return out;
}

// The memory of one call's arguments, kept until the result has been read.
struct ArgumentStore {
  std::deque<std::vector<wchar_t>> units;
  std::deque<std::string> bytes;
  std::deque<short> shorts;
  std::deque<XLOPER12> records;
  std::deque<std::vector<XLOPER12>> arrays;
  std::deque<std::vector<unsigned char>> area_lists;

  // A reference as a "U" argument receives it.
  XLOPER12 ReferenceRecord(const ArgValue& v) {
    Areas areas;
    if (!v.sheet || !ParseAreas(v.address, areas)) throw std::invalid_argument("reference the stand-in cannot read");
    Worksheet* calling = Calculation::Get().sheet();
    if (!calling) calling = ObjectModel::Get().application() ? ObjectModel::Get().application()->active_sheet() : nullptr;
    XLOPER12 r{};
    auto to_xl = [](const Area& a) { return xll::XlArea{a.first_row - 1, a.last_row - 1, a.first_column - 1, a.last_column - 1}; };
    if (areas.size() == 1 && v.sheet == calling) {
      r.xltype = xltypeSRef;
      r.val.sref.count = 1;
      r.val.sref.ref = to_xl(areas[0]);
      return r;
    }
    std::vector<unsigned char>& list =
        area_lists.emplace_back(offsetof(xll::XlAreaList, reftbl) + sizeof(xll::XlArea) * areas.size());
    auto* areas_out = reinterpret_cast<xll::XlAreaList*>(list.data());
    areas_out->count = static_cast<WORD>(areas.size());
    for (size_t i = 0; i < areas.size(); ++i) areas_out->reftbl[i] = to_xl(areas[i]);
    r.xltype = xltypeRef;
    r.val.mref.lpmref = areas_out;
    r.val.mref.idSheet = v.sheet->cells().id();
    return r;
  }

  XLOPER12 Record(const ArgValue& v) {
    XLOPER12 r{};
    switch (v.kind) {
      case ArgValue::Kind::kOmitted: r.xltype = xltypeMissing; break;
      case ArgValue::Kind::kEmpty: r.xltype = xltypeNil; break;
      case ArgValue::Kind::kNumber: r.xltype = xltypeNum; r.val.num = v.number; break;
      case ArgValue::Kind::kBool: r.xltype = xltypeBool; r.val.xbool = v.code; break;
      case ArgValue::Kind::kError: r.xltype = xltypeErr; r.val.err = v.code; break;
      case ArgValue::Kind::kText: r.xltype = xltypeStr; r.val.str = Counted(v.text); break;
      case ArgValue::Kind::kArray: {
        if (static_cast<size_t>(v.rows) * v.columns != v.elements.size() || v.elements.empty())
          throw std::invalid_argument("array shape");
        std::vector<XLOPER12>& elements = arrays.emplace_back();
        for (const ArgValue& e : v.elements) {
          if (e.kind == ArgValue::Kind::kArray || e.kind == ArgValue::Kind::kOmitted)
            throw std::invalid_argument("array element");
          elements.push_back(Record(e));
        }
        r.xltype = xltypeMulti;
        r.val.array.lparray = elements.data();
        r.val.array.rows = v.rows;
        r.val.array.columns = v.columns;
        break;
      }
      case ArgValue::Kind::kReference:
        // The host passes a reference only where the type letter takes one; elsewhere it has its values.
        throw std::invalid_argument("a reference where the host passes a value");
    }
    return r;
  }

  wchar_t* Counted(const std::wstring& text) {
    if (text.size() > 32767) throw std::invalid_argument("text beyond the host's limit");
    std::vector<wchar_t>& b = units.emplace_back(kCountedUnits, L'\0');
    b[0] = static_cast<wchar_t>(text.size());
    std::memcpy(b.data() + 1, text.data(), text.size() * sizeof(wchar_t));
    return b.data();
  }

  wchar_t* Terminated(const std::wstring& text) {
    if (text.size() > 32767) throw std::invalid_argument("text beyond the host's limit");
    std::vector<wchar_t>& b = units.emplace_back(kCountedUnits, L'\0');
    std::memcpy(b.data(), text.data(), text.size() * sizeof(wchar_t));
    return b.data();
  }

  // A byte string in the ANSI code page, as the host converts a cell's text for "C".
  char* Ansi(const std::wstring& text) {
    std::string& s = bytes.emplace_back();
    if (!text.empty()) {
      int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
      s.resize(static_cast<size_t>(n));
      WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
    }
    return s.data();
  }
};

// The cells a reference names, as values: one cell as its value, one area as an array row by row.
ArgValue ValuesOf(const ArgValue& reference) {
  Areas areas;
  if (!reference.sheet || !ParseAreas(reference.address, areas))
    throw std::invalid_argument("reference the stand-in cannot read");
  if (areas.size() != 1) throw std::invalid_argument("the stand-in passes the values of one area only");
  const Area& a = areas[0];
  auto value_at = [&](LONG row, LONG column) {
    const Cell* cell = reference.sheet->cells().Find(row, column);
    if (!cell) return ArgValue::Empty();
    const CellValue& v = cell->value;
    switch (v.kind) {
      case CellValue::Kind::kNumber: return ArgValue::Number(v.number);
      case CellValue::Kind::kText: return ArgValue::Text(v.text);
      case CellValue::Kind::kBool: return ArgValue::Bool(v.boolean);
      case CellValue::Kind::kError: return ArgValue::Error(v.error);
      case CellValue::Kind::kEmpty: break;
    }
    return ArgValue::Empty();
  };
  if (a.count() == 1) return value_at(a.first_row, a.first_column);
  if (a.count() > (int64_t{1} << 24)) throw std::invalid_argument("more cells than the stand-in passes");
  std::vector<ArgValue> cells;
  for (LONG r = a.first_row; r <= a.last_row; ++r)
    for (LONG c = a.first_column; c <= a.last_column; ++c) cells.push_back(value_at(r, c));
  return ArgValue::Array(static_cast<int>(a.rows()), static_cast<int>(a.columns()), std::move(cells));
}

std::wstring TextFor(const ArgValue& v) {
  if (v.kind == ArgValue::Kind::kOmitted || v.kind == ArgValue::Kind::kEmpty) return std::wstring();
  if (v.kind == ArgValue::Kind::kText) return v.text;
  throw std::invalid_argument("the stand-in passes only texts to string arguments");
}

long long IntegerFor(const ArgValue& v) {
  switch (v.kind) {
    case ArgValue::Kind::kOmitted:
    case ArgValue::Kind::kEmpty: return 0;
    case ArgValue::Kind::kBool: return v.code ? 1 : 0;
    case ArgValue::Kind::kNumber: return static_cast<long long>(v.number);
    default: throw std::invalid_argument("the stand-in passes only numbers to integer arguments");
  }
}

std::intptr_t Marshal(const std::wstring& letter, const ArgValue& v, ArgumentStore& store) {
  if (v.kind == ArgValue::Kind::kReference) {
    if (letter != L"U") return Marshal(letter, ValuesOf(v), store);
    store.records.push_back(store.ReferenceRecord(v));
    return reinterpret_cast<std::intptr_t>(&store.records.back());
  }
  if (letter == L"D%" || letter == L"G%") return reinterpret_cast<std::intptr_t>(store.Counted(TextFor(v)));
  if (letter == L"C%" || letter == L"F%") return reinterpret_cast<std::intptr_t>(store.Terminated(TextFor(v)));
  if (letter == L"C") return reinterpret_cast<std::intptr_t>(store.Ansi(TextFor(v)));
  if (letter == L"J") return static_cast<std::intptr_t>(static_cast<int>(IntegerFor(v)));
  if (letter == L"H") return static_cast<std::intptr_t>(static_cast<unsigned short>(IntegerFor(v)));
  if (letter == L"L") {
    store.shorts.push_back(static_cast<short>(IntegerFor(v)));
    return reinterpret_cast<std::intptr_t>(&store.shorts.back());
  }
  if (letter == L"Q" || letter == L"U") {
    store.records.push_back(store.Record(v));
    return reinterpret_cast<std::intptr_t>(&store.records.back());
  }
  throw std::invalid_argument("type letter the stand-in does not pass");
}

// Every argument travels in a 64-bit integer register or stack slot (no argument here is a double), so
// one signature per count serves all exports.
std::intptr_t Invoke(FARPROC f, const std::vector<std::intptr_t>& a) {
  using P = std::intptr_t;
  void* p = reinterpret_cast<void*>(f);
  switch (a.size()) {
    case 0: return reinterpret_cast<P(__stdcall*)()>(p)();
    case 1: return reinterpret_cast<P(__stdcall*)(P)>(p)(a[0]);
    case 2: return reinterpret_cast<P(__stdcall*)(P, P)>(p)(a[0], a[1]);
    case 3: return reinterpret_cast<P(__stdcall*)(P, P, P)>(p)(a[0], a[1], a[2]);
    case 4: return reinterpret_cast<P(__stdcall*)(P, P, P, P)>(p)(a[0], a[1], a[2], a[3]);
    case 5: return reinterpret_cast<P(__stdcall*)(P, P, P, P, P)>(p)(a[0], a[1], a[2], a[3], a[4]);
    case 6: return reinterpret_cast<P(__stdcall*)(P, P, P, P, P, P)>(p)(a[0], a[1], a[2], a[3], a[4], a[5]);
    case 7: return reinterpret_cast<P(__stdcall*)(P, P, P, P, P, P, P)>(p)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
    case 8:
      return reinterpret_cast<P(__stdcall*)(P, P, P, P, P, P, P, P)>(p)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
    case 9:
      return reinterpret_cast<P(__stdcall*)(P, P, P, P, P, P, P, P, P)>(p)(a[0], a[1], a[2], a[3], a[4], a[5], a[6],
                                                                          a[7], a[8]);
    default: throw std::invalid_argument("more arguments than the stand-in passes");
  }
}

CallOutcome ReadResult(const std::wstring& letter, std::intptr_t raw, const std::vector<std::intptr_t>& args) {
  CallOutcome out;
  if (letter == L"J" || letter == L"j") {
    out.integer = static_cast<int>(raw);
    return out;
  }
  if (letter == L"H") {
    out.integer = static_cast<unsigned short>(raw);
    return out;
  }
  if (raw == 0) {
    out.null = true;
    return out;
  }
  for (size_t i = 0; i < args.size(); ++i)
    if (args[i] == raw) out.argument_buffer = static_cast<int>(i);
  if (letter == L"D%" || letter == L"G%") {
    auto* s = reinterpret_cast<const wchar_t*>(raw);
    out.value.type = xltypeStr;
    out.value.text.assign(s + 1, static_cast<unsigned short>(s[0]));
  } else if (letter == L"C%" || letter == L"F%") {
    out.value.type = xltypeStr;
    out.value.text = reinterpret_cast<const wchar_t*>(raw);
  } else if (letter == L"U" || letter == L"Q") {
    auto* record = reinterpret_cast<XLOPER12*>(raw);
    out.value = See(record);
    out.value.pointer = nullptr;  // outcomes of different calls compare by value
    if ((record->xltype & kKindMask) == xltypeMulti && record->val.array.lparray) {
      const long long n = static_cast<long long>(record->val.array.rows) * record->val.array.columns;
      for (long long i = 0; i < n; ++i) {
        out.elements.push_back(See(&record->val.array.lparray[i]));
        out.elements.back().pointer = nullptr;
      }
    }
    CApi::Get().TakeResult(record);
  } else {
    throw std::invalid_argument("result letter the stand-in does not read");
  }
  return out;
}

bool SameValue(const SeenValue& a, const SeenValue& b) {
  return a.type == b.type && (a.num == b.num || (a.num != a.num && b.num != b.num)) && a.integer == b.integer &&
         a.text == b.text;
}

}  // namespace

bool CallOutcome::operator==(const CallOutcome& o) const {
  if (null != o.null || integer != o.integer || argument_buffer != o.argument_buffer) return false;
  if (!SameValue(value, o.value) || elements.size() != o.elements.size()) return false;
  for (size_t i = 0; i < elements.size(); ++i)
    if (!SameValue(elements[i], o.elements[i])) return false;
  return true;
}

std::wstring RegisteredTypeText(const std::wstring& procedure) {
  for (const Registration& r : CApi::Get().registrations())
    if (r.registered && r.procedure() == procedure && r.args.size() > 2) return r.args[2].text;
  return std::wstring();
}

CallOutcome CallExport(HMODULE module, const std::string& name, const std::wstring& type_text,
                       const std::vector<ArgValue>& args) {
  FARPROC f = GetProcAddress(module, name.c_str());
  if (!f) throw std::invalid_argument("no such export: " + name);
  std::vector<std::wstring> letters = Letters(type_text);
  if (letters.empty() || args.size() > letters.size() - 1 || letters.size() - 1 > kMaxArgs)
    throw std::invalid_argument("arguments do not match the type text of " + name);
  ArgumentStore store;
  std::vector<std::intptr_t> raw;
  // Arguments the formula leaves out at the end are passed as omitted.
  for (size_t i = 1; i < letters.size(); ++i)
    raw.push_back(Marshal(letters[i], i - 1 < args.size() ? args[i - 1] : ArgValue::Omitted(), store));
  return ReadResult(letters[0], Invoke(f, raw), raw);
}

CallOutcome CallRegistered(HMODULE module, const std::string& name, const std::vector<ArgValue>& args) {
  std::wstring type_text = RegisteredTypeText(std::wstring(name.begin(), name.end()));
  if (type_text.empty()) throw std::invalid_argument("not registered: " + name);
  return CallExport(module, name, type_text, args);
}

std::vector<std::vector<CallOutcome>> CallOnThreads(HMODULE module, const std::string& name,
                                                    const std::vector<std::vector<ArgValue>>& cases, int threads) {
  const std::wstring type_text = RegisteredTypeText(std::wstring(name.begin(), name.end()));
  if (type_text.empty() || type_text.back() != L'$')
    throw std::invalid_argument("the host calls only thread-safe functions on its calculation threads: " + name);
  std::vector<std::vector<CallOutcome>> outcomes(static_cast<size_t>(threads));
  std::vector<std::string> failures(static_cast<size_t>(threads));
  // The threads wait for each other so that the calls really overlap.
  std::mutex m;
  std::condition_variable all_there;
  int waiting = 0;
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&, t] {
      {
        std::unique_lock<std::mutex> lock(m);
        if (++waiting == threads) all_there.notify_all();
        else all_there.wait(lock, [&] { return waiting == threads; });
      }
      try {
        for (const auto& args : cases) outcomes[t].push_back(CallExport(module, name, type_text, args));
      } catch (const std::exception& e) {
        failures[t] = e.what();
      }
    });
  }
  for (std::thread& th : pool) th.join();
  for (const std::string& f : failures)
    if (!f.empty()) throw std::invalid_argument(f);
  return outcomes;
}

}  // namespace korvel::standin
