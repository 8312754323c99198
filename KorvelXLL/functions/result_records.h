// The result records of the worksheet functions: each call allocates one, preset to its failure value and
// flagged xlbitDLLFree, so that the host hands it back through xlAutoFree12.
#pragma once

#include <memory>

#include "host/xl_owners.h"
#include "host/xl_records.h"
#include "host/xl_types.h"

namespace korvel::xll {

// A number record; null when memory is short.
XLOPER12* NewNumberResult(double value);
// An error record (#N/A, #VALUE!, ...); null when memory is short.
XLOPER12* NewErrorResult(int code);

// A call's result record until it is handed to the host: released with what it owns on every other path.
// It is made with room for a short text, so that most results are a single block; a result without its text
// in the room is handed over in a plain record, so that xlAutoFree12 knows a record with room by its text.
class ResultRecord {
 public:
  explicit ResultRecord(double failure_number)
      : record_(NewXLNumWithTextRoom(failure_number)), failure_(failure_number) {}
  explicit operator bool() const { return record_ != nullptr; }
  XLOPER12* get() { return record_.get(); }
  void SetError(int code);
  // The bytes as the record's text, one unit per byte (as BytesToXLStr): in the record's room when they fit.
  // Gives 1 and leaves the record as it was for a text longer than 32767 bytes; 0 otherwise.
  int SetText(const char* bytes, size_t length);
  // Back to the failure value, releasing any text the record already holds.
  void Fail();
  XLOPER12* release();

 private:
  struct RoomRelease {
    void operator()(XLOPER12* record) const { DeleteRoomRecord(record); }
  };
  std::unique_ptr<XLOPER12, RoomRelease> record_;
  double failure_;
};

}  // namespace korvel::xll
