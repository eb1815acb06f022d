// An environment variable set (or unset) for the length of one test.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace ledgerfen::test {

// Sets (or, given nothing, unsets) an environment variable for one test and
// puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace ledgerfen::test
