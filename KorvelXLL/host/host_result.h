// A record for the host to fill with a function's result. Whatever the host put into it goes back to the
// host when the owner goes (FreeXLOper hands a host-filled record to xlFree); a record the host did not fill
// is released as nothing.
#pragma once

#include "host/xl_records.h"

namespace korvel::xll {

class HostResult {
 public:
  HostResult() { record_.xltype = xltypeMissing; }
  HostResult(const HostResult&) = delete;
  HostResult& operator=(const HostResult&) = delete;
  ~HostResult() { FreeXLOper(&record_); }

  XLOPER12* get() { return &record_; }
  const XLOPER12& operator*() const { return record_; }
  const XLOPER12* operator->() const { return &record_; }
  // The record's kind without its ownership flags.
  DWORD kind() const { return record_.xltype & ~(xlbitXLFree | xlbitDLLFree); }

 private:
  XLOPER12 record_{};
};

}  // namespace korvel::xll
