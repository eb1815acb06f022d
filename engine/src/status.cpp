#include "ledgerfen/status.h"

namespace ledgerfen {

const char* errorKindName(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::Corrupt: return "corrupt";
    case ErrorKind::Unsupported: return "unsupported";
    case ErrorKind::WrongPassword: return "wrong password";
    case ErrorKind::Io: return "I/O";
    case ErrorKind::NotFound: return "not found";
    case ErrorKind::InvalidArgument: return "invalid argument";
    case ErrorKind::ReadOnly: return "read-only";
    case ErrorKind::Constraint: return "constraint";
    case ErrorKind::Conflict: return "conflict";
    case ErrorKind::Internal: return "internal";
    case ErrorKind::Cancelled: return "cancelled";
  }
  return "error";
}

}  // namespace ledgerfen
