#include "unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace ledgerfen::test {

bool runsAsNobody() {
  return geteuid() == 0;
}

void giveToBodyUser(const std::string& path) {
  if (runsAsNobody() && chown(path.c_str(), kNobody, kNobody) != 0) perror(path.c_str());
}

std::string runUnprivileged(const std::function<std::string()>& body) {
  if (!runsAsNobody()) return body();
  int channel[2];
  if (pipe(channel) != 0) return "cannot make a pipe";
  const pid_t child = fork();
  if (child < 0) return "cannot fork";
  if (child == 0) {
    close(channel[0]);
    std::string outcome;
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
      outcome = "cannot become nobody";
    } else {
      outcome = body();
    }
    if (write(channel[1], outcome.data(), outcome.size()) < 0) _exit(2);
    _exit(0);
  }
  close(channel[1]);
  std::string outcome;
  char buffer[512];
  for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) outcome.append(buffer, size_t(n));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the unprivileged part ended abnormally: " + outcome;
  return outcome;
}

}  // namespace ledgerfen::test
