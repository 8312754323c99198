#include "toolbox/sha_digest.h"

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/sha.h>
#include <cryptopp/sha3.h>

#include <memory>

namespace korvel {
namespace {

std::unique_ptr<CryptoPP::HashTransformation> NewHash(long selector) {
  switch (selector) {
    case 1: return std::make_unique<CryptoPP::SHA1>();
    case 2224: return std::make_unique<CryptoPP::SHA224>();
    case 2256: return std::make_unique<CryptoPP::SHA256>();
    case 2384: return std::make_unique<CryptoPP::SHA384>();
    case 2512: return std::make_unique<CryptoPP::SHA512>();
    case 3224: return std::make_unique<CryptoPP::SHA3_224>();
    case 3256: return std::make_unique<CryptoPP::SHA3_256>();
    case 3384: return std::make_unique<CryptoPP::SHA3_384>();
    case 3512: return std::make_unique<CryptoPP::SHA3_512>();
    default: return nullptr;
  }
}

}  // namespace

bool IsShaSelector(long selector) { return NewHash(selector) != nullptr; }

std::optional<std::string> ShaHexDigest(long selector, const std::string& message) {
  std::unique_ptr<CryptoPP::HashTransformation> hash = NewHash(selector);
  if (!hash) return std::nullopt;
  std::string hex;
  // The filters own what they are attached to; the source pumps everything at once.
  CryptoPP::StringSource source(
      message, true,
      new CryptoPP::HashFilter(*hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex), true, 0)));
  return hex;
}

struct ShaHexPipeline::State {
  explicit State(std::unique_ptr<CryptoPP::HashTransformation> h)
      : hash(std::move(h)), filter(*hash, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex), true, 0)) {}
  std::unique_ptr<CryptoPP::HashTransformation> hash;
  std::string hex;
  // Owns the encoder, which owns the sink.
  CryptoPP::HashFilter filter;
};

std::unique_ptr<ShaHexPipeline> ShaHexPipeline::Open(long selector) {
  std::unique_ptr<CryptoPP::HashTransformation> hash = NewHash(selector);
  if (!hash) return nullptr;
  return std::unique_ptr<ShaHexPipeline>(new ShaHexPipeline(std::make_unique<State>(std::move(hash))));
}

ShaHexPipeline::ShaHexPipeline(std::unique_ptr<State> state) : state_(std::move(state)) {}
ShaHexPipeline::~ShaHexPipeline() = default;

void ShaHexPipeline::Add(const char* bytes, std::size_t length) {
  if (length) state_->filter.Put(reinterpret_cast<const CryptoPP::byte*>(bytes), length);
}

std::string ShaHexPipeline::Finish() {
  state_->filter.MessageEnd();
  return std::move(state_->hex);
}

}  // namespace korvel
