// Where the engine's public calls meet their callers: whatever an inner step
// throws (memory exhausted, an exception from a library) becomes an error
// value here, so no exception ever leaves the engine and ends a program that
// holds unsaved work.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "ledgerfen/status.h"

namespace ledgerfen::db {

// `call`'s result, or an Internal error when it throws; `cleanUp` runs
// first then, to put back what the call left half done.
template <typename Call, typename CleanUp>
auto withoutExceptions(Call&& call, CleanUp&& cleanUp) -> decltype(call()) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    cleanUp();
    return Error(ErrorKind::Internal, "there is not enough memory for this");
  } catch (const std::exception& e) {
    cleanUp();
    return Error(ErrorKind::Internal, std::string("the engine failed: ") + e.what());
  }
}

template <typename Call>
auto withoutExceptions(Call&& call) -> decltype(call()) {
  return withoutExceptions(std::forward<Call>(call), [] {});
}

}  // namespace ledgerfen::db
