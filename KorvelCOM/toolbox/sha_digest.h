// SHA-1, SHA-2 and SHA-3 digests as upper-case hexadecimal, chosen by the toolbox's selector numbers:
// the family digit followed by the digest length in bits (SHA-1 is simply 1).
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace korvel {

bool IsShaSelector(long selector);
// The digest of `message`, or nothing for a selector outside the table.
std::optional<std::string> ShaHexDigest(long selector, const std::string& message);

// The same pipeline (hash filter, upper-case hex encoder without grouping, string sink) for a message that
// arrives in pieces, so that a long text need not be held whole in its converted form.
class ShaHexPipeline {
 public:
  // Nothing for a selector outside the table.
  static std::unique_ptr<ShaHexPipeline> Open(long selector);
  ~ShaHexPipeline();
  void Add(const char* bytes, std::size_t length);
  // The digest of everything added; the pipeline is spent.
  std::string Finish();

 private:
  struct State;
  explicit ShaHexPipeline(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace korvel
