#include "support/oracles.h"

#include <stdio.h>
#include <sys/wait.h>

#include <array>
#include <filesystem>

namespace ledgerfen::test {
namespace {

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Run {
  int code = -1;
  std::string out;
};

Run runShell(const std::string& command) {
  Run run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
  int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool installed() {
  return std::filesystem::exists(std::string(LEDGERFEN_ORACLE_NODE_PATH) + "/mdb-reader") &&
         runShell("command -v node >/dev/null && command -v mdb-export >/dev/null").code == 0;
}

std::string tool(const char* name) {
  return "NODE_PATH=" + quoted(LEDGERFEN_ORACLE_NODE_PATH) + " " +
         quoted(std::string(LEDGERFEN_SHARED_TOOLS_DIR) + "/" + name);
}

std::string passwordArgument(const std::string& password) {
  return password.empty() ? "" : " --password " + quoted(password);
}

}  // namespace

std::optional<std::string> mdbReaderDump(const std::string& path, const std::string& password) {
  if (!installed()) return std::nullopt;
  Run run = runShell(tool("oracle-dump") + passwordArgument(password) + " " + quoted(path) + " 2>&1");
  if (run.code != 0) return "oracle-dump failed with exit " + std::to_string(run.code) + ": " + run.out;
  return run.out;
}

OracleVerdict mdbReaderAgrees(const std::string& path, const std::string& password, const std::string& ourDump) {
  OracleVerdict v;
  v.available = installed();
  if (!v.available) return v;
  Run run = runShell(tool("oracle-dump") + passwordArgument(password) + " " + quoted(path) + " 2>&1");
  v.agrees = run.code == 0 && run.out == ourDump;
  if (!v.agrees) {
    size_t at = 0;
    while (at < run.out.size() && at < ourDump.size() && run.out[at] == ourDump[at]) ++at;
    v.detail = "exit " + std::to_string(run.code) + "; first difference at byte " + std::to_string(at) + ": theirs \"" +
               run.out.substr(at > 40 ? at - 40 : 0, 160) + "\" ours \"" + ourDump.substr(at > 40 ? at - 40 : 0, 160) +
               "\"";
  }
  return v;
}

OracleVerdict mdbtoolsAgrees(const std::string& path, const std::string& password) {
  OracleVerdict v;
  v.available = installed();
  if (!v.available) return v;
  Run run = runShell(tool("mdbtools-crosscheck") + passwordArgument(password) + " " + quoted(path) + " 2>&1");
  v.agrees = run.code == 0;
  if (!v.agrees) v.detail = "exit " + std::to_string(run.code) + ": " + run.out.substr(0, 600);
  return v;
}

std::string mdbtoolsProperties(const std::string& path, const std::string& table) {
  if (runShell("command -v mdb-prop >/dev/null").code != 0) return "";
  return runShell("mdb-prop " + quoted(path) + " " + quoted(table) + " 2>&1").out;
}

}  // namespace ledgerfen::test
