// Base64 as the agile encryption descriptor stores salts and encrypted keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ledgerfen::crypto {

// The decoded bytes, or nullopt when `text` is not base64 (or longer than
// kMaxBase64Length). Whitespace between characters is allowed.
std::optional<std::vector<uint8_t>> decodeBase64(std::string_view text);

inline constexpr size_t kMaxBase64Length = 1 << 20;

}  // namespace ledgerfen::crypto
