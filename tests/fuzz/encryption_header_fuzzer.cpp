// libFuzzer target: the header page of an ACE file and its encryption
// description, parsed as opening an encrypted file parses them. The key
// derivation is left out: it is slow by design and reads nothing more. Input
// that is no header page is taken as a description. Any crash, hang or
// sanitizer report is a bug.
#include <cstddef>
#include <cstdint>

#include "crypto/agile_descriptor.h"
#include "crypto/encryption_info.h"
#include "format/header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ledgerfen;
  format::Bytes input(data, size);
  auto header = format::parseHeader(input);
  format::Bytes description = header.ok() ? format::Bytes(header->cryptProvider) : input;
  auto info = crypto::parseEncryptionInfo(description);
  if (info.ok() && info->kind == crypto::OfficeEncryption::Agile) {
    (void)crypto::parseAgileDescriptor(info->agileDescriptor);
  }
  return 0;
}
