#include "crypto/jet_codec.h"

#include "crypto/block_key.h"
#include "crypto/rc4.h"

namespace ledgerfen::crypto {
namespace {

class JetPageCodec final : public page::PageCodec {
 public:
  explicit JetPageCodec(std::array<uint8_t, 4> key) : key_(key) {}

  Status decode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }
  Status encode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }

 private:
  Status apply(uint32_t pageNumber, std::span<uint8_t> page) const { return rc4(pageBlockKey(key_, pageNumber), page); }

  std::array<uint8_t, 4> key_;
};

}  // namespace

std::unique_ptr<page::PageCodec> makeJetPageCodec(std::array<uint8_t, 4> key) {
  return std::make_unique<JetPageCodec>(key);
}

}  // namespace ledgerfen::crypto
