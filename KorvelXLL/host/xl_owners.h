// Owner types for the host's value records: a record that the add-in made, and a result record that the
// host fills. Whatever they hold goes back where it came from when the owner goes, on every path.
#pragma once

#include <memory>
#include <new>
#include <string>

#include "host/xl_records.h"

namespace korvel::xll {

struct AddInRecordRelease {
  void operator()(XLOPER12* record) const { DeleteXLRecord(record); }
};
// A record made by NewXLStr and the other constructors (or by new): released with what it owns.
using OwnedXlRecord = std::unique_ptr<XLOPER12, AddInRecordRelease>;

// A new integer record flagged xlbitDLLFree; null when memory is short.
inline OwnedXlRecord NewXLInt(int value) {
  auto* record = new (std::nothrow) XLOPER12{};
  if (!record) return OwnedXlRecord();
  record->xltype = xltypeInt | xlbitDLLFree;
  record->val.w = value;
  return OwnedXlRecord(record);
}

// A result record for a host call. It starts out missing; once the host has filled it (Excel12X flags it
// xlbitXLFree itself, a bare Excel12 caller calls TakenFromHost), its memory goes back through xlFree.
class HostResult {
 public:
  HostResult() = default;
  HostResult(const HostResult&) = delete;
  HostResult& operator=(const HostResult&) = delete;
  ~HostResult() { FreeXLOper(&record_); }

  XLOPER12* get() { return &record_; }
  const XLOPER12& operator*() const { return record_; }
  const XLOPER12* operator->() const { return &record_; }
  // The kind without the ownership flags.
  DWORD kind() const { return record_.xltype & ~(xlbitXLFree | xlbitDLLFree); }
  void TakenFromHost() { record_.xltype |= xlbitXLFree; }
  // The record as an argument of another host call: as the host filled it, without the ownership mark that
  // only the add-in reads. It stays owned here.
  XLOPER12 AsArgument() const {
    XLOPER12 copy = record_;
    copy.xltype = kind();
    return copy;
  }
  // The text of a string result; empty for anything else.
  std::wstring Text() const {
    if (kind() != xltypeStr || !record_.val.str) return std::wstring();
    return std::wstring(record_.val.str + 1, static_cast<unsigned short>(record_.val.str[0]));
  }

 private:
  XLOPER12 record_{{}, xltypeMissing};
};

}  // namespace korvel::xll
