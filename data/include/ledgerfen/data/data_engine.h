// The data-access engine as the program meets it: the thing that makes
// connections. The built-in engine is part of the program and always
// present; the interface lets tests stand in an engine that cannot be loaded,
// to exercise what the program does when the engine is missing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ledgerfen/data/connection.h"

namespace ledgerfen::data {

// Error number of a missing provider, as the data-access components give it.
inline constexpr int32_t kProviderNotFoundNumber = 3706;

// A new, unopened connection, or why none could be made: an error number
// and a description, as the data-access components report them.
struct NewConnection {
  std::shared_ptr<Connection> connection;
  int32_t errorNumber = 0;
  std::string errorDescription;

  static NewConnection made(std::shared_ptr<Connection> c) { return {std::move(c), 0, {}}; }
  static NewConnection failed(int32_t number, std::string description) {
    return {nullptr, number, std::move(description)};
  }

  bool ok() const { return connection != nullptr; }
  // The failure as an error value, for callers that only pass it on.
  Error error() const { return Error(ErrorKind::Unsupported, errorDescription); }
};

class DataEngine {
 public:
  virtual ~DataEngine() = default;
  virtual NewConnection createConnection() = 0;
};

// The Access file engine linked into the program.
class BuiltInEngine final : public DataEngine {
 public:
  NewConnection createConnection() override { return NewConnection::made(std::make_shared<Connection>()); }
};

}  // namespace ledgerfen::data
