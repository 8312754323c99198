// Files that replace others: written under a temporary name beside the target, made durable, and only then
// moved over the target, so that neither a failure nor a power loss can leave the target short.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace korvel {

// Makes what was written to `file` (open for writing) durable on the disk: FlushFileBuffers. The file
// system may otherwise write the rename before the data, and after a power loss the target, which for an
// in-place rewrite held the only copy, would be short or zero-filled. Tests hand in their own.
using FlushFile = std::function<bool(HANDLE file)>;
bool FlushToDisk(HANDLE file);

// A path beside `target` for the file that is to replace it, whose name says what it is should a killed
// process leave it behind: "<target's name>.KorvelCOM-partial-<12 hex digits>.tmp", or, when that would
// not fit MAX_PATH, "KorvelCOM-partial-<12 hex digits>.tmp" in the target's folder. None when no unique
// part can be made.
std::optional<std::wstring> PartialPathBeside(const std::wstring& target);

// Whether `target` exists: only a replacement needs its new data flushed first, since a new file loses
// nothing when the power fails before its data are written.
bool ReplacesAFile(const std::wstring& target);

// Flushes the file at `path` through `flush`, for writers that close their files themselves.
bool FlushClosedFile(const std::wstring& path, const FlushFile& flush);

// Moves the complete `partial` over `target`, the move itself written through to the disk.
bool PutInPlace(const std::wstring& partial, const std::wstring& target);

}  // namespace korvel
