// Runs part of a test as an ordinary user. Permission tests mean nothing to
// root, who may write anywhere; under root the body runs in a child process
// that has become the user "nobody". The body returns what went wrong, or
// empty text.
#pragma once

#include <functional>
#include <string>

namespace ledgerfen::test {

inline constexpr unsigned kNobody = 65534;

// Whether bodies run as another user (the test runs as root).
bool runsAsNobody();
std::string runUnprivileged(const std::function<std::string()>& body);
// Hands a path to the user the bodies run as.
void giveToBodyUser(const std::string& path);

}  // namespace ledgerfen::test
