#include "ledgerfen/pdf/user_printer_options.h"

#include <pwd.h>
#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace ledgerfen::pdf {
namespace {

// One line of the options, split as libcups reads it: leading blanks, the
// keyword, the blanks after it, the destination's name, and the rest.
struct OptionLine {
  std::string_view indent;
  std::string_view keyword;
  std::string_view gap;
  std::string_view name;
  std::string_view rest;

  bool is(const char* word) const {
    return keyword.size() == std::strlen(word) && strncasecmp(keyword.data(), word, keyword.size()) == 0;
  }
  // Whether anything but blanks follows the name.
  bool carriesOptions() const { return rest.find_first_not_of(" \t") != std::string_view::npos; }
};

OptionLine splitLine(std::string_view line) {
  const auto spanOf = [&](size_t from, bool blanks) {
    size_t to = from;
    while (to < line.size() && (line[to] == ' ' || line[to] == '\t') == blanks) ++to;
    return to;
  };
  OptionLine parts;
  const size_t keyword = spanOf(0, true);
  const size_t gap = spanOf(keyword, false);
  const size_t name = spanOf(gap, true);
  const size_t rest = spanOf(name, false);
  parts.indent = line.substr(0, keyword);
  parts.keyword = line.substr(keyword, gap - keyword);
  parts.gap = line.substr(gap, name - gap);
  parts.name = line.substr(name, rest - name);
  parts.rest = line.substr(rest);
  return parts;
}

// The lines of the text, without their LF; a last line without LF counts.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string joined(std::string_view keyword, const OptionLine& parts) {
  std::string line(parts.indent);
  line.append(keyword).append(parts.gap).append(parts.name).append(parts.rest);
  return line;
}

}  // namespace

std::optional<std::string> defaultInOptions(std::string_view options) {
  for (std::string_view line : linesOf(options)) {
    const OptionLine parts = splitLine(line);
    if (parts.is("Default") && !parts.name.empty()) return std::string(parts.name);
  }
  return std::nullopt;
}

std::string withDefaultInOptions(std::string_view options, const std::optional<std::string>& destination) {
  std::vector<std::string> lines;
  for (std::string_view line : linesOf(options)) {
    const OptionLine parts = splitLine(line);
    if (!parts.is("Default") || parts.name.empty()) {
      lines.emplace_back(line);
    } else if (parts.carriesOptions()) {
      lines.push_back(joined("Dest", parts));
    }
  }
  if (destination) {
    bool found = false;
    for (std::string& line : lines) {
      const OptionLine parts = splitLine(line);
      if (parts.is("Dest") && parts.name == *destination) {
        line = joined("Default", parts);
        found = true;
        break;
      }
    }
    if (!found) lines.push_back("Default " + *destination);
  }
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\n");
  return text;
}

std::string userOptionsPath() {
  std::string home;
  if (const char* variable = ::getenv("HOME"); variable && *variable) {
    home = variable;
  } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
    home = user->pw_dir;
  }
  return home + "/.cups/lpoptions";
}

}  // namespace ledgerfen::pdf
