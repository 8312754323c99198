// The CSV worksheet functions over any block device: the shared chunk reader and row steps of the server,
// with the results as the host's records. The exports open the file; tests hand in devices of their own.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "common/csv_chunk_reader.h"
#include "host/xl_types.h"

namespace korvel::xll {

// Gives the device to read, or null when the file cannot be opened. Called at most once per function.
using CsvOpener = std::function<std::unique_ptr<csv::BlockDevice>()>;

// Opens `path` the reader's way (null path, missing file and the like give null).
CsvOpener CsvFileOpener(const wchar_t* path, int no_buffering);

// A result text longer than this many bytes is given as kCsvOverflowText; collecting stops there.
constexpr std::size_t kMaxCsvResultBytes = kMaxXlChars;
extern const wchar_t kCsvOverflowText[];

// Each fills `result`, which comes preset to #VALUE!, and leaves it so on every failure. They may throw
// (memory); the record then still holds #VALUE! and owns nothing.
void CountCsvRows(const CsvOpener& open, XLOPER12& result);
void PickCsvRow(const CsvOpener& open, int row_index, UINT code_page, XLOPER12& result);
// `find` is a zero-terminated byte string (null reads as empty); a text of kBlockSize bytes or more gives
// #VALUE! before the file is opened.
void FindCsvRows(const CsvOpener& open, const char* find, bool every_row, UINT code_page, XLOPER12& result);

// Collected bytes of the code page as the result text: converted, or kCsvOverflowText beyond the limit.
// Throws std::bad_alloc when the buffer cannot be had; leaves `result` alone when the bytes do not convert.
void SetCsvText(const std::string& bytes, bool overflowed, UINT code_page, XLOPER12& result);

}  // namespace korvel::xll
