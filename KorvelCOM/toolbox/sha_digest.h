// SHA-1, SHA-2 and SHA-3 digests as upper-case hexadecimal, chosen by the toolbox's selector numbers:
// the family digit followed by the digest length in bits (SHA-1 is simply 1).
#pragma once

#include <optional>
#include <string>

namespace korvel {

bool IsShaSelector(long selector);
// The digest of `message`, or nothing for a selector outside the table.
std::optional<std::string> ShaHexDigest(long selector, const std::string& message);

}  // namespace korvel
