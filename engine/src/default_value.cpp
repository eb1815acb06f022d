#include "ledgerfen/default_value.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <regex>
#include <string>

#include "ledgerfen/value_text.h"

namespace ledgerfen {
namespace {

std::string trimmed(std::string_view text) {
  const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::optional<Value> parsed(const Column& column, const std::string& text) {
  auto value = parseValueText(column, text);
  if (!value) return std::nullopt;
  return *value;
}

// "now" in the local time, as Access stamps rows: "YYYY-MM-DD HH:MM:SS".
std::string localNow(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

// "abc" or 'abc', the quote doubled inside; nullopt when not a quoted text.
std::optional<std::string> unquoted(const std::string& text) {
  if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') || text.back() != text.front()) {
    return std::nullopt;
  }
  const char quote = text.front();
  std::string out;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == quote) {
      if (i + 2 >= text.size() || text[i + 1] != quote) return std::nullopt;  // a quote ends it early
      ++i;
    }
    out += text[i];
  }
  return out;
}

// #2024-03-01#, #3/1/2024# (month first, as Access writes dates in
// expressions), either with a 24-hour time; as the engine's date text.
std::optional<std::string> dateLiteral(const std::string& text) {
  static const std::regex iso(R"(#\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+(\d{1,2}:\d{2}(?::\d{2})?))?\s*#)");
  static const std::regex us(R"(#\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}:\d{2}(?::\d{2})?))?\s*#)");
  std::smatch m;
  int year = 0, month = 0, day = 0;
  if (std::regex_match(text, m, iso)) {
    year = std::stoi(m[1]), month = std::stoi(m[2]), day = std::stoi(m[3]);
  } else if (std::regex_match(text, m, us)) {
    month = std::stoi(m[1]), day = std::stoi(m[2]), year = std::stoi(m[3]);
  } else {
    return std::nullopt;
  }
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, day);
  std::string out = date;
  if (m[4].matched) {
    std::string time = m[4];
    if (std::count(time.begin(), time.end(), ':') == 1) time += ":00";
    if (time.size() == 7) time = "0" + time;
    out += " " + time;
  }
  return out;
}

std::optional<Value> randomGuid() {
  Guid g;
  if (RAND_bytes(g.bytes.data(), int(g.bytes.size())) != 1) return std::nullopt;
  return Value(g);
}

}  // namespace

std::optional<Value> defaultValue(const Column& column) {
  if (column.autoNumber || column.guidAutoNumber || column.calculated) return std::nullopt;
  std::string text = trimmed(column.defaultValue);
  if (!text.empty() && text.front() == '=') text = trimmed(std::string_view(text).substr(1));
  if (text.empty()) return std::nullopt;

  if (auto quoted = unquoted(text)) return parsed(column, *quoted);
  if (auto date = dateLiteral(text)) return parsed(column, *date);

  const std::string word = lowered(text);
  if (word == "null") return std::nullopt;
  const bool isBoolean = column.type == ColumnType::Boolean;
  if (word == "yes" || word == "true" || word == "on") return parsed(column, isBoolean ? "Yes" : "-1");
  if (word == "no" || word == "false" || word == "off") return parsed(column, isBoolean ? "No" : "0");
  if (word == "date()") return parsed(column, localNow("%Y-%m-%d"));
  if (word == "now()") return parsed(column, localNow("%Y-%m-%d %H:%M:%S"));
  if (word == "time()") return parsed(column, localNow("1899-12-30 %H:%M:%S"));
  if (word == "genguid()" && column.type == ColumnType::Guid) return randomGuid();

  static const std::regex number(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
  if (std::regex_match(text, number)) return parsed(column, text);
  return std::nullopt;
}

}  // namespace ledgerfen
