// The CSV chunk reader: a file read once, sequentially, in 16 MiB blocks through overlapped reads into two
// alternating buffers, each block handed to a scan step while the next one is being read. Shared by the
// server's row methods and the add-in's CSV worksheet functions, so it knows nothing of COM.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace korvel::csv {

constexpr std::size_t kBlockSize = 0x1000000;
// Unbuffered reads need sector-aligned addresses, sizes and offsets; 4096 covers every sector size in use.
constexpr std::size_t kSectorAlignment = 4096;

// What one read did. `bytes` counts only for kDone returned by Finish.
struct ReadResult {
  enum Kind { kPending, kDone, kEndOfFile, kFailed } kind;
  std::uint32_t bytes = 0;
  DWORD error = 0;
};

// The seam between the reader and the system: one read outstanding at a time. The file device below is
// the only production one; tests inject their own to get the results Wine never gives (a read that
// completes at once, an immediate end of file, a failure after some blocks, short blocks).
class BlockDevice {
 public:
  virtual ~BlockDevice() = default;
  // Starts a read of `size` bytes at `offset`. kPending and kDone (completed at once) both mean that Finish
  // must be called; kEndOfFile and kFailed mean that no read is outstanding.
  virtual ReadResult Start(char* buffer, std::uint32_t size, std::uint64_t offset) = 0;
  // Waits for the read that Start began and returns its byte count (kDone), kEndOfFile or kFailed.
  virtual ReadResult Finish() = 0;
  // True when the file bypasses the system cache: then every read must start at a sector-aligned offset.
  virtual bool Unbuffered() const = 0;
};

// A file opened the way the reader needs it (overlapped, FILE_SHARE_READ, optionally unbuffered).
class FileBlockDevice final : public BlockDevice {
 public:
  // Returns null when the event cannot be made or the file cannot be opened.
  static std::unique_ptr<FileBlockDevice> Open(const wchar_t* path, bool no_buffering);
  ~FileBlockDevice() override;
  FileBlockDevice(const FileBlockDevice&) = delete;
  FileBlockDevice& operator=(const FileBlockDevice&) = delete;

  ReadResult Start(char* buffer, std::uint32_t size, std::uint64_t offset) override;
  ReadResult Finish() override;
  bool Unbuffered() const override { return unbuffered_; }
  bool Size(std::uint64_t* size) const;

 private:
  FileBlockDevice(HANDLE event, HANDLE file, bool unbuffered);
  HANDLE event_;
  HANDLE file_;
  bool unbuffered_;
  bool outstanding_ = false;
  OVERLAPPED overlapped_{};
};

// One block as the scan step sees it. data[size] is a zero byte (for callers that want C strings), but
// zero bytes inside the data are ordinary bytes. The `carried` bytes directly before `data` are what the
// previous step kept with KeepForNext. `offset` is where data[0] lies in the file.
struct Block {
  const char* data;
  std::size_t size;
  std::size_t carried;
  std::uint64_t offset = 0;
};

class ChunkScan {
 public:
  virtual ~ChunkScan() = default;
  // Returns false to stop reading (the outstanding read is waited for first).
  virtual bool Scan(const Block& block) = 0;
  // Called once the blocks are read (the last one scanned, or the scan stopped), nothing is outstanding and
  // the block buffers are released: the step may read parts of the file again through `device`. False
  // makes the reading a failed one.
  virtual bool Complete(BlockDevice& device) { (void)device; return true; }
  // Called by the reader before Scan: where KeepForNext copies to, and how much it kept.
  void SetCarryRoom(char* room_end) { room_end_ = room_end; kept_ = 0; }
  std::size_t kept() const { return kept_; }

 protected:
  // Copies up to kBlockSize bytes to just before the next block, so that the next Scan sees them as
  // block.carried bytes directly preceding its data.
  void KeepForNext(const char* bytes, std::size_t n);

 private:
  char* room_end_ = nullptr;
  std::size_t kept_ = 0;
};

enum class ReadStatus {
  kOk,           // the file was read to its end, or the scan step stopped
  kCannotOpen,   // the event or the file could not be made or opened
  kReadFailed,   // a read failed after the file was opened
};

ReadStatus ReadChunks(const wchar_t* path, bool no_buffering, ChunkScan& scan);
ReadStatus ReadChunks(BlockDevice& device, ChunkScan& scan);

// Reads `length` bytes at `offset` into `out`, one read at a time, at sector-aligned offsets when the
// device bypasses the cache. False when a read fails or the file ends first.
bool ReadRange(BlockDevice& device, std::uint64_t offset, std::size_t length, char* out);

}  // namespace korvel::csv
