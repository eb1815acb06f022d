#include "ledgerfen/export/process_launcher.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace ledgerfen::exporting {
namespace {

constexpr size_t kKeptErrorOutput = 64 * 1024;

using Clock = std::chrono::steady_clock;

// A file descriptor closed when it goes.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

int exitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int remainingMilliseconds(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1000));
}

std::string durationText(std::chrono::milliseconds duration) {
  const long long ms = duration.count();
  if (ms % 1000 == 0) return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
  return std::to_string(ms) + " milliseconds";
}

Error startFailure(const std::string& program, int error) {
  return Error(ErrorKind::Io, "Cannot start " + program + ": " + std::strerror(error));
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

std::optional<std::string> findProgram(const std::string& name) {
  const auto runnable = [](const std::string& path) {
    struct stat s {};
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode) && access(path.c_str(), X_OK) == 0;
  };
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) return runnable(name) ? std::optional(name) : std::nullopt;
  const char* path = getenv("PATH");
  std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = folders.find(':');
    std::string folder(folders.substr(0, colon));
    if (folder.empty()) folder = ".";
    if (std::string candidate = folder + "/" + name; runnable(candidate)) return candidate;
    if (colon == std::string_view::npos) break;
    folders.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

Result<ProcessEnd> PosixProcessLauncher::runAndWait(const std::vector<std::string>& arguments,
                                                    std::chrono::milliseconds timeout) {
  if (arguments.empty() || arguments[0].empty()) {
    return Error(ErrorKind::InvalidArgument, "Cannot start a program: the command line is empty.");
  }
  const Clock::time_point deadline = Clock::now() + timeout;

  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return startFailure(arguments[0], errno);
  Descriptor readEnd(ends[0]);
  Descriptor writeEnd(ends[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDERR_FILENO);

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawnError = ::posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  writeEnd.reset();
  if (spawnError != 0) return startFailure(arguments[0], spawnError);

  // Read standard error until the program closes it (normally by ending).
  ProcessEnd end;
  bool timedOut = false;
  for (;;) {
    const int wait = remainingMilliseconds(deadline);
    if (wait == 0) {
      timedOut = true;
      break;
    }
    pollfd poller{readEnd.get(), POLLIN, 0};
    const int ready = ::poll(&poller, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const size_t keep = std::min(static_cast<size_t>(got), kKeptErrorOutput - end.errorOutput.size());
    end.errorOutput.append(buffer, keep);
  }

  // Wait for the end itself, within the same time.
  int status = 0;
  while (!timedOut) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      end.exitCode = exitCodeOf(status);
      return end;
    }
    if (done < 0 && errno != EINTR) {
      return Error(ErrorKind::Io, "Cannot wait for " + arguments[0] + ": " + std::strerror(errno));
    }
    if (remainingMilliseconds(deadline) == 0) {
      timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }

  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return Error(ErrorKind::Io, arguments[0] + " did not finish within " + durationText(timeout) + " and was stopped.");
}

}  // namespace ledgerfen::exporting
