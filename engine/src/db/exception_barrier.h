// Where the engine's public calls meet their callers: whatever an inner step
// throws (memory exhausted, an exception from a library) becomes an error
// value here, so no exception ever leaves the engine and ends a program that
// holds unsaved work.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "ledgerfen/status.h"

namespace ledgerfen::db {

template <typename Call>
auto withoutExceptions(Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return Error(ErrorKind::Internal, "there is not enough memory for this");
  } catch (const std::exception& e) {
    return Error(ErrorKind::Internal, std::string("the engine failed: ") + e.what());
  }
}

}  // namespace ledgerfen::db
