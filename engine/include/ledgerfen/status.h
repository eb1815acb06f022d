// Errors as values.
//
// Every fallible engine call returns a Result<T>: either the value or an Error
// with a kind and a message meant for a person ("data page 412: row 7 points
// past the end of the page"). The engine never throws across its public
// surface. Results are plain values and may be moved between threads.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace ledgerfen {

enum class ErrorKind {
  Corrupt,          // the file is damaged or not what it claims to be
  Unsupported,      // a valid file using something the engine does not handle
  WrongPassword,    // the password does not open the database
  Io,               // the operating system refused a read or write
  NotFound,         // no such file, table, column or index
  InvalidArgument,  // the caller asked for something impossible
  ReadOnly,         // a write on a database opened (or only openable) for reading
  Constraint,       // a write that breaks a rule of the table (type, size, required, unique)
  Conflict,         // the row changed since it was read, or another writer holds the file
  Internal,         // the engine itself failed (memory exhausted, a fault of ours); nothing was changed
  Cancelled,        // the user stopped the work before it was done; what it would have made was thrown away
};

const char* errorKindName(ErrorKind kind);

class Error {
 public:
  Error(ErrorKind kind, std::string message) : kind_(kind), message_(std::move(message)) {}

  ErrorKind kind() const { return kind_; }
  const std::string& message() const { return message_; }

  // Puts context in front of the message: "file.mdb: " + message.
  Error withContext(const std::string& context) const { return Error(kind_, context + ": " + message_); }

 private:
  ErrorKind kind_;
  std::string message_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: implicit by design
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & {
    assert(ok());
    return std::get<0>(state_);
  }
  const T& value() const& {
    assert(ok());
    return std::get<0>(state_);
  }
  T&& value() && {
    assert(ok());
    return std::get<0>(std::move(state_));
  }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const Error& error() const {
    assert(!ok());
    return std::get<1>(state_);
  }

 private:
  std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), failed_(true) {}  // NOLINT

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const Error& error() const {
    assert(failed_);
    return error_;
  }

 private:
  Error error_{ErrorKind::Io, {}};
  bool failed_ = false;
};

using Status = Result<void>;

inline Status okStatus() {
  return Status();
}

}  // namespace ledgerfen

// Propagation helpers in the style of Abseil's status macros.
#define LF_CONCAT_INNER(a, b) a##b
#define LF_CONCAT(a, b) LF_CONCAT_INNER(a, b)

#define LF_RETURN_IF_ERROR(expr)                     \
  do {                                               \
    auto&& lf_status_ = (expr);                      \
    if (!lf_status_.ok()) return lf_status_.error(); \
  } while (0)

#define LF_ASSIGN_OR_RETURN_IMPL(tmp, lhs, expr) \
  auto tmp = (expr);                             \
  if (!tmp.ok()) return tmp.error();             \
  lhs = std::move(tmp).value()

// Expands to several statements: use it only where a statement list may stand
// (inside braces), never as the body of an unbraced if.
#define LF_ASSIGN_OR_RETURN(lhs, expr) LF_ASSIGN_OR_RETURN_IMPL(LF_CONCAT(lf_result_, __LINE__), lhs, expr)
