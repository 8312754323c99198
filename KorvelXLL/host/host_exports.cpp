// Entry points that the host calls. Nothing a helper throws leaves them.
#include <new>

#include "host/host_call.h"
#include "host/xl_records.h"

using namespace korvel::xll;

extern "C" void __stdcall xlAutoFree12(XLOPER12* record) {
  DeleteXLRecord(record);
}

extern "C" void __stdcall SetExcel12EntryPt(HostCallEntry entry) {
  try {
    OfferHostEntry(entry);
  } catch (...) {
  }
}
