#include "toolbox/csv_sort.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/csv_chunk_reader.h"
#include "common/csv_rows.h"
#include "toolbox/durable_files.h"

namespace korvel::csv {
namespace {

constexpr std::uint64_t kAlign = kSectorAlignment;
// Alignment of the data, the last read asked in whole sectors, the terminator and a carriage return.
constexpr std::uint64_t kSlack = 3 * kAlign + 1;

// The smallest multiple of a sector strictly greater than n.
std::uint64_t SectorsAbove(std::uint64_t n) { return (n / kAlign + 1) * kAlign; }

char* AlignUp(char* p) {
  auto v = reinterpret_cast<std::uintptr_t>(p);
  return reinterpret_cast<char*>((v + kAlign - 1) & ~static_cast<std::uintptr_t>(kAlign - 1));
}

// The whole input in one buffer, read at aligned addresses in blocks of `block` bytes. The line feeds of
// each block are counted while the next block is read, so that the records can be sized exactly.
struct WholeFile {
  std::unique_ptr<char[]> memory;
  char* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t line_feeds = 0;
  bool ends_with_line_feed = false;
};

SortStatus ReadWholeFile(const SortRequest& request, WholeFile& file, std::uint64_t* block) {
  auto device = FileBlockDevice::Open(request.file_in, request.no_buffering);
  if (!device) return SortStatus::kCannotOpenInput;
  std::uint64_t size = 0;
  if (!device->Size(&size)) return SortStatus::kReadFailed;
  if (size > std::numeric_limits<std::size_t>::max() - kSlack) return SortStatus::kTooLarge;
  *block = size >= kBlockSize ? kBlockSize : SectorsAbove(size);
  file.memory.reset(new char[static_cast<std::size_t>(size + kSlack)]);
  // Strictly after the start, as unbuffered reads want; the slack pays for it.
  file.data = AlignUp(file.memory.get() + 1);
  file.size = size;

  std::uint64_t position = 0;
  std::uint64_t counted = 0;
  bool pending = false;
  struct Drain {  // no return leaves the system writing into the buffer
    BlockDevice& device;
    bool& pending;
    ~Drain() { if (pending) device.Finish(); }
  } drain{*device, pending};
  while (position < size) {
    std::uint64_t ask = std::min(*block, size - position < *block ? SectorsAbove(size - position) : *block);
    ReadResult started = device->Start(file.data + position, static_cast<std::uint32_t>(ask), position);
    if (started.kind == ReadResult::kEndOfFile) break;
    if (started.kind == ReadResult::kFailed) return SortStatus::kReadFailed;
    pending = true;
    file.line_feeds += CountLineFeeds(file.data + counted, static_cast<std::size_t>(position - counted));
    counted = position;
    pending = false;
    ReadResult done = device->Finish();
    if (done.kind == ReadResult::kEndOfFile) break;
    if (done.kind != ReadResult::kDone || done.bytes == 0 || done.bytes > ask) return SortStatus::kReadFailed;
    position += done.bytes;
    // A short unbuffered read before the end would leave the next offset unaligned.
    if (device->Unbuffered() && position < size && done.bytes % kAlign) return SortStatus::kReadFailed;
  }
  // The file grew or shrank while it was read.
  if (position != size) return SortStatus::kReadFailed;
  file.line_feeds += CountLineFeeds(file.data + counted, static_cast<std::size_t>(size - counted));
  file.ends_with_line_feed = size && file.data[size - 1] == '\n';
  file.data[size] = '\0';
  return SortStatus::kOk;
}

CsvRowRecord MakeRecord(const char* text, std::size_t length) {
  return CsvRowRecord{text, static_cast<std::uint32_t>(length), RowPrefix(text, length)};
}

// Splits the buffer at its line feeds, each replaced by the zero that ends its record. A last row without a
// line end takes the line end of the row before it: in a file of CR LF rows it gains a carriage return, so
// that it compares like the others. Returns whether it did.
SortStatus SplitRows(WholeFile& file, std::vector<CsvRowRecord>& records, bool* gained_carriage_return) {
  *gained_carriage_return = false;
  if (!file.size) return SortStatus::kOk;
  bool ends_with_line_feed = file.ends_with_line_feed;
  records.reserve(static_cast<std::size_t>(file.line_feeds + (ends_with_line_feed ? 0 : 1)));
  char* p = file.data;
  char* end = file.data + file.size;
  while (char* line_feed = static_cast<char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) {
    std::size_t length = static_cast<std::size_t>(line_feed - p);
    if (length > std::numeric_limits<std::uint32_t>::max() - 1) return SortStatus::kTooLarge;
    *line_feed = '\0';
    records.push_back(MakeRecord(p, length));
    p = line_feed + 1;
  }
  if (ends_with_line_feed) return SortStatus::kOk;
  std::size_t length = static_cast<std::size_t>(end - p);
  if (length > std::numeric_limits<std::uint32_t>::max() - 2) return SortStatus::kTooLarge;
  const CsvRowRecord* before = records.empty() ? nullptr : &records.back();
  if (before && before->length && before->text[before->length - 1] == '\r') {
    end[0] = '\r';
    end[1] = '\0';
    ++length;
    *gained_carriage_return = true;
  }
  records.push_back(MakeRecord(p, length));
  return SortStatus::kOk;
}

bool SameRow(const CsvRowRecord& a, const CsvRowRecord& b) {
  return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}

struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Handle() { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); }
  void close() { if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h); h = INVALID_HANDLE_VALUE; }
};

// Overlapped writes, one outstanding at a time, each required to write all it was asked.
class OverlappedWriter {
 public:
  OverlappedWriter(HANDLE file, HANDLE event, const SortRequest& request)
      : file_(file), event_(event), request_(request) {}
  ~OverlappedWriter() { Wait(); }
  bool Write(const char* bytes, std::size_t n) {
    if (!Wait()) return false;
    if (request_.write_gate && !request_.write_gate(offset_, n)) return false;
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    overlapped_.Offset = static_cast<DWORD>(offset_);
    overlapped_.OffsetHigh = static_cast<DWORD>(offset_ >> 32);
    if (!WriteFile(file_, bytes, static_cast<DWORD>(n), nullptr, &overlapped_) && GetLastError() != ERROR_IO_PENDING)
      return false;
    outstanding_ = true;
    asked_ = static_cast<DWORD>(n);
    offset_ += n;
    return true;
  }
  bool Wait() {
    if (!outstanding_) return true;
    outstanding_ = false;
    DWORD written = 0;
    return GetOverlappedResult(file_, &overlapped_, &written, TRUE) && written == asked_;
  }

 private:
  HANDLE file_;
  HANDLE event_;
  const SortRequest& request_;
  OVERLAPPED overlapped_{};
  bool outstanding_ = false;
  DWORD asked_ = 0;
  std::uint64_t offset_ = 0;
};

// A buffer of `size` bytes aligned to a sector.
struct WriteBuffer {
  explicit WriteBuffer(std::size_t size) : memory(new char[size + kAlign + 1]), data(AlignUp(memory.get())) {}
  std::unique_ptr<char[]> memory;
  char* data;
};

// Writes the rows, each with a line feed, double-buffered in blocks of `block` bytes, then cuts the file to
// `final_size` (which also drops the filler of a last unbuffered block).
bool WriteRows(HANDLE file, const SortRequest& request, const std::vector<CsvRowRecord>& records,
               std::size_t block, std::uint64_t final_size) {
  Handle event{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  if (!event.h) return false;
  WriteBuffer buffers[2] = {WriteBuffer(block), WriteBuffer(block)};
  OverlappedWriter writer(file, event.h, request);
  int current = 0;
  std::size_t fill = 0;
  auto put = [&](const char* bytes, std::size_t n) {
    while (n) {
      std::size_t k = std::min(n, block - fill);
      std::memcpy(buffers[current].data + fill, bytes, k);
      fill += k;
      bytes += k;
      n -= k;
      if (fill == block) {
        if (!writer.Write(buffers[current].data, block)) return false;
        current ^= 1;
        fill = 0;
      }
    }
    return true;
  };
  static const char kLineFeed = '\n';
  for (const CsvRowRecord& r : records) {
    if (fill + r.length + 1 < block) {
      std::memcpy(buffers[current].data + fill, r.text, r.length);
      fill += r.length;
      buffers[current].data[fill++] = '\n';
    } else if (!put(r.text, r.length) || !put(&kLineFeed, 1)) {
      return false;
    }
  }
  if (fill) {
    std::size_t n = fill;
    if (request.no_buffering) {
      n = static_cast<std::size_t>(SectorsAbove(fill));  // at most `block`, a whole number of sectors
      std::memset(buffers[current].data + fill, 0, n - fill);
    }
    if (!writer.Write(buffers[current].data, n)) return false;
  }
  if (!writer.Wait()) return false;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(final_size);
  return SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

// A temporary file in the output's folder, deleted unless it was put in place.
struct TemporaryFile {
  std::wstring path;
  bool keep = false;
  ~TemporaryFile() { if (!path.empty() && !keep) DeleteFileW(path.c_str()); }
};

bool FullPath(const wchar_t* path, std::wstring* full) {
  if (!path || !*path) return false;
  DWORD n = GetFullPathNameW(path, 0, nullptr, nullptr);
  if (!n) return false;
  full->assign(n, L'\0');
  n = GetFullPathNameW(path, n, full->data(), nullptr);
  if (!n || n >= full->size()) return false;
  full->resize(n);
  return full->back() != L'\\' && full->back() != L'/';
}

SortStatus WriteOutput(const SortRequest& request, const std::vector<CsvRowRecord>& records, std::size_t block,
                       std::uint64_t final_size) {
  std::wstring target;
  if (!FullPath(request.file_out, &target)) return SortStatus::kWriteFailed;
  DWORD flags = request.no_buffering ? FILE_FLAG_WRITE_THROUGH | FILE_FLAG_OVERLAPPED | FILE_FLAG_NO_BUFFERING
                                     : FILE_FLAG_OVERLAPPED | FILE_FLAG_RANDOM_ACCESS;
  TemporaryFile temporary;
  Handle out;
  // A new name is taken as a new file only, so that no other file of that name is ever overwritten.
  for (int attempt = 0; attempt < 8 && out.h == INVALID_HANDLE_VALUE; ++attempt) {
    std::optional<std::wstring> name = PartialPathBeside(target);
    if (!name) return SortStatus::kWriteFailed;
    out.h = CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, flags,
                        nullptr);
    if (out.h != INVALID_HANDLE_VALUE) temporary.path = *name;
    else if (GetLastError() != ERROR_FILE_EXISTS) return SortStatus::kWriteFailed;
  }
  if (out.h == INVALID_HANDLE_VALUE) return SortStatus::kWriteFailed;
  if (!WriteRows(out.h, request, records, block, final_size)) return SortStatus::kWriteFailed;
  if (ReplacesAFile(target) && !request.flush(out.h)) return SortStatus::kWriteFailed;
  out.close();
  if (!PutInPlace(temporary.path, target)) return SortStatus::kWriteFailed;
  temporary.keep = true;
  return SortStatus::kOk;
}

}  // namespace

SortOutcome SortCsvFile(const SortRequest& request) {
  if (request.header_rows < 0) return {SortStatus::kBadHeaderCount};
  WholeFile file;
  std::uint64_t block = 0;
  SortStatus status = ReadWholeFile(request, file, &block);
  if (status != SortStatus::kOk) return {status};

  std::vector<CsvRowRecord> records;
  bool gained_carriage_return = false;
  status = SplitRows(file, records, &gained_carriage_return);
  if (status != SortStatus::kOk) return {status};
  if (static_cast<std::uint64_t>(request.header_rows) > records.size()) return {SortStatus::kBadHeaderCount};

  auto body = records.begin() + static_cast<std::ptrdiff_t>(request.header_rows);
  SortRecords(records.data() + request.header_rows, records.data() + records.size(), request.order,
              request.collate);
  if (!request.only_sort) records.erase(std::unique(body, records.end(), SameRow), records.end());

  std::uint64_t total = 0;
  for (const CsvRowRecord& r : records) total += r.length + 1ull;
  // The output ends without a line end when the input does: the last line feed goes, and the carriage
  // return too when the last row gained one and the row written last ends with one.
  if (file.size && !file.ends_with_line_feed && !records.empty()) {
    const CsvRowRecord& last = records.back();
    total -= (gained_carriage_return && last.length && last.text[last.length - 1] == '\r') ? 2 : 1;
  }
  status = WriteOutput(request, records, static_cast<std::size_t>(block), total);
  if (status != SortStatus::kOk) return {status};
  return {SortStatus::kOk, records.size()};
}

}  // namespace korvel::csv
