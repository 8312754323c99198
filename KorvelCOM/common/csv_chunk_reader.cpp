#include "common/csv_chunk_reader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace korvel::csv {
namespace {

// 16 MiB of room for a carried partial row, the 16 MiB read area aligned to a sector, its terminating zero.
constexpr std::size_t kBufferBytes = 2 * kBlockSize + kSectorAlignment + 1;

struct ReadBuffer {
  ReadBuffer() : memory(new char[kBufferBytes]) {
    auto start = reinterpret_cast<std::uintptr_t>(memory.get()) + kBlockSize;
    start = (start + kSectorAlignment - 1) & ~static_cast<std::uintptr_t>(kSectorAlignment - 1);
    area = reinterpret_cast<char*>(start);
    area[0] = '\0';
    area[kBlockSize] = '\0';
  }
  std::unique_ptr<char[]> memory;
  char* area;
};

// Declared after the buffers, so that on every way out (a stopped scan, an exception from the step) the
// system has finished writing into them before they are released.
class OutstandingRead {
 public:
  explicit OutstandingRead(BlockDevice& device) : device_(device) {}
  ~OutstandingRead() {
    if (pending) device_.Finish();
  }
  bool pending = false;

 private:
  BlockDevice& device_;
};

}  // namespace

void ChunkScan::KeepForNext(const char* bytes, std::size_t n) {
  if (n > kBlockSize) throw std::length_error("carried part longer than a block");
  std::memmove(room_end_ - n, bytes, n);
  kept_ = n;
}

std::unique_ptr<FileBlockDevice> FileBlockDevice::Open(const wchar_t* path, bool no_buffering) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!event) return nullptr;
  DWORD flags = FILE_FLAG_OVERLAPPED | (no_buffering ? FILE_FLAG_NO_BUFFERING : FILE_FLAG_RANDOM_ACCESS);
  HANDLE file = path ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr)
                     : INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) {
    CloseHandle(event);
    return nullptr;
  }
  return std::unique_ptr<FileBlockDevice>(new FileBlockDevice(event, file, no_buffering));
}

FileBlockDevice::FileBlockDevice(HANDLE event, HANDLE file, bool unbuffered)
    : event_(event), file_(file), unbuffered_(unbuffered) {}

FileBlockDevice::~FileBlockDevice() {
  if (outstanding_) {
    DWORD ignored;
    GetOverlappedResult(file_, &overlapped_, &ignored, TRUE);
  }
  CloseHandle(file_);
  CloseHandle(event_);
}

ReadResult FileBlockDevice::Start(char* buffer, std::uint32_t size, std::uint64_t offset) {
  overlapped_ = OVERLAPPED{};
  overlapped_.hEvent = event_;
  overlapped_.Offset = static_cast<DWORD>(offset);
  overlapped_.OffsetHigh = static_cast<DWORD>(offset >> 32);
  if (ReadFile(file_, buffer, size, nullptr, &overlapped_)) {
    outstanding_ = true;
    return {ReadResult::kDone};
  }
  DWORD error = GetLastError();
  if (error == ERROR_IO_PENDING) {
    outstanding_ = true;
    return {ReadResult::kPending};
  }
  if (error == ERROR_HANDLE_EOF) return {ReadResult::kEndOfFile};
  return {ReadResult::kFailed, 0, error};
}

bool FileBlockDevice::Size(std::uint64_t* size) const {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(file_, &value)) return false;
  *size = static_cast<std::uint64_t>(value.QuadPart);
  return true;
}

ReadResult FileBlockDevice::Finish() {
  WaitForSingleObject(event_, INFINITE);
  outstanding_ = false;
  DWORD bytes = 0;
  if (GetOverlappedResult(file_, &overlapped_, &bytes, FALSE)) return {ReadResult::kDone, bytes};
  DWORD error = GetLastError();
  if (error == ERROR_HANDLE_EOF) return {ReadResult::kEndOfFile};
  return {ReadResult::kFailed, 0, error};
}

ReadStatus ReadChunks(const wchar_t* path, bool no_buffering, ChunkScan& scan) {
  auto device = FileBlockDevice::Open(path, no_buffering);
  if (!device) return ReadStatus::kCannotOpen;
  return ReadChunks(*device, scan);
}

namespace {

ReadStatus ReadBlocks(BlockDevice& device, ChunkScan& scan) {
  ReadBuffer reading, scanned;
  std::size_t scanned_size = 0;
  std::size_t scanned_carried = 0;
  std::uint64_t scanned_offset = 0;
  bool have_block = false;
  bool end = false;
  std::uint64_t offset = 0;
  OutstandingRead read(device);
  for (;;) {
    if (!end) {
      ReadResult started = device.Start(reading.area, static_cast<std::uint32_t>(kBlockSize), offset);
      if (started.kind == ReadResult::kEndOfFile) end = true;
      else if (started.kind == ReadResult::kFailed) return ReadStatus::kReadFailed;
      else read.pending = true;
    }
    if (have_block) {
      scan.SetCarryRoom(reading.area);
      if (!scan.Scan(Block{scanned.area, scanned_size, scanned_carried, scanned_offset})) return ReadStatus::kOk;
    }
    if (!read.pending) return ReadStatus::kOk;
    read.pending = false;
    ReadResult done = device.Finish();
    if (done.kind == ReadResult::kEndOfFile) return ReadStatus::kOk;
    if (done.kind != ReadResult::kDone || done.bytes > kBlockSize) return ReadStatus::kReadFailed;
    if (done.bytes == 0) return ReadStatus::kOk;
    scanned_carried = have_block ? scan.kept() : 0;
    std::swap(reading, scanned);
    scanned_size = done.bytes;
    scanned.area[scanned_size] = '\0';
    scanned_offset = offset;
    have_block = true;
    // The next read starts where this one ended, so a short block loses nothing. An unbuffered file
    // returns a short block only at its end, and a read at the unaligned offset after it would fail.
    offset += done.bytes;
    if (device.Unbuffered() && done.bytes % kSectorAlignment != 0) end = true;
  }
}

}  // namespace

ReadStatus ReadChunks(BlockDevice& device, ChunkScan& scan) {
  ReadStatus status = ReadBlocks(device, scan);
  if (status == ReadStatus::kOk && !scan.Complete(device)) return ReadStatus::kReadFailed;
  return status;
}

bool ReadRange(BlockDevice& device, std::uint64_t offset, std::size_t length, char* out) {
  if (!length) return true;
  const std::uint64_t alignment = device.Unbuffered() ? kSectorAlignment : 1;
  std::unique_ptr<char[]> memory(new char[kBlockSize + kSectorAlignment]);
  auto aligned = (reinterpret_cast<std::uintptr_t>(memory.get()) + kSectorAlignment - 1) &
                 ~static_cast<std::uintptr_t>(kSectorAlignment - 1);
  char* buffer = reinterpret_cast<char*>(aligned);
  while (length) {
    const std::uint64_t start = offset / alignment * alignment;
    const std::size_t skip = static_cast<std::size_t>(offset - start);
    std::uint64_t ask = skip + static_cast<std::uint64_t>(length);
    ask = (ask + alignment - 1) / alignment * alignment;
    if (ask > kBlockSize) ask = kBlockSize;
    ReadResult started = device.Start(buffer, static_cast<std::uint32_t>(ask), start);
    if (started.kind == ReadResult::kEndOfFile || started.kind == ReadResult::kFailed) return false;
    ReadResult done = device.Finish();
    if (done.kind != ReadResult::kDone || done.bytes <= skip || done.bytes > ask) return false;
    const std::size_t got = std::min<std::size_t>(done.bytes - skip, length);
    std::memcpy(out, buffer + skip, got);
    out += got;
    offset += got;
    length -= got;
  }
  return true;
}

}  // namespace korvel::csv
