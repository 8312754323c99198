// Sorting and de-duplication of the rows of a text file: the whole file is read into one buffer, its rows
// become records that point into it, and the sorted rows are written to a temporary file beside the output,
// which is flushed to the disk and then replaces the output. A failure, and a power loss, therefore leave an
// existing output (or the input, when both are one file) as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "toolbox/csv_record_sort.h"
#include "toolbox/durable_files.h"

namespace korvel::csv {

struct SortRequest {
  const wchar_t* file_in = nullptr;
  const wchar_t* file_out = nullptr;
  std::int64_t header_rows = 0;
  bool only_sort = false;
  RowOrder order = RowOrder::kBytesAscending;
  bool no_buffering = false;
  // Consulted before each write with its file offset and size; false makes that write fail. Lets tests
  // fail a write part-way, which a healthy disk never does.
  std::function<bool(std::uint64_t offset, std::size_t bytes)> write_gate;
  // The collation of the collated orders: the runtime's strcoll unless a test gives one that fails.
  Collation collate = RuntimeCollation;
  // Makes the sorted rows durable before they replace an existing output.
  FlushFile flush = FlushToDisk;
};

enum class SortStatus {
  kOk,
  kCannotOpenInput,
  kReadFailed,       // a read failed, or the bytes read differ from the file's size
  kTooLarge,         // the file does not fit the address space, or a row is 4 GiB or longer
  kBadHeaderCount,   // below 0 or above the number of rows
  kWriteFailed,      // the output could not be created, written, cut to size or put in place
};

struct SortOutcome {
  SortStatus status;
  std::uint64_t rows = 0;  // rows written, header rows included
};

SortOutcome SortCsvFile(const SortRequest& request);

}  // namespace korvel::csv
