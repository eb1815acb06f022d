#include "crypto/jet_codec.h"

#include "crypto/rc4.h"

namespace ledgerfen::crypto {
namespace {

class JetPageCodec final : public page::PageCodec {
 public:
  explicit JetPageCodec(std::array<uint8_t, 4> key) : key_(key) {}

  Status decode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }
  Status encode(uint32_t pageNumber, std::span<uint8_t> page) const override { return apply(pageNumber, page); }

 private:
  Status apply(uint32_t pageNumber, std::span<uint8_t> page) const {
    std::array<uint8_t, 4> key = key_;
    for (int i = 0; i < 4; ++i) key[i] ^= uint8_t(pageNumber >> (8 * i));
    return rc4(key, page);
  }

  std::array<uint8_t, 4> key_;
};

}  // namespace

std::unique_ptr<page::PageCodec> makeJetPageCodec(std::array<uint8_t, 4> key) {
  return std::make_unique<JetPageCodec>(key);
}

}  // namespace ledgerfen::crypto
