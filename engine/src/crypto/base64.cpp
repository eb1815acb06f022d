#include "crypto/base64.h"

#include <openssl/evp.h>

#include <memory>

namespace ledgerfen::crypto {
namespace {

struct EncodeContextFree {
  void operator()(EVP_ENCODE_CTX* c) const { EVP_ENCODE_CTX_free(c); }
};

}  // namespace

std::optional<std::vector<uint8_t>> decodeBase64(std::string_view text) {
  if (text.size() > kMaxBase64Length) return std::nullopt;
  std::unique_ptr<EVP_ENCODE_CTX, EncodeContextFree> ctx(EVP_ENCODE_CTX_new());
  if (!ctx) return std::nullopt;
  // Every 4 characters give at most 3 bytes; the decoder may hold back up to 80.
  std::vector<uint8_t> out(text.size() / 4 * 3 + 96);
  EVP_DecodeInit(ctx.get());
  int produced = 0, finalProduced = 0;
  if (EVP_DecodeUpdate(ctx.get(), out.data(), &produced, reinterpret_cast<const unsigned char*>(text.data()),
                       int(text.size())) < 0 ||
      EVP_DecodeFinal(ctx.get(), out.data() + produced, &finalProduced) != 1) {
    return std::nullopt;
  }
  out.resize(size_t(produced + finalProduced));
  return out;
}

}  // namespace ledgerfen::crypto
