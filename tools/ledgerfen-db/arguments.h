// Splits a command line into positional arguments and --options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ledgerfen::cli {

struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;                // --name value (the last, if given more than once)
  std::map<std::string, std::vector<std::string>> repeated;  // every value of each --name, in order
  std::set<std::string> flags;                               // --name

  std::optional<std::string> option(const std::string& name) const {
    auto it = options.find(name);
    return it == options.end() ? std::nullopt : std::optional(it->second);
  }
  std::vector<std::string> values(const std::string& name) const {
    auto it = repeated.find(name);
    return it == repeated.end() ? std::vector<std::string>() : it->second;
  }
  bool flag(const std::string& name) const { return flags.count(name) != 0; }
};

// `withValue` names the options that take a value; any other --name is a flag.
// "-o" stands for --output.
// Fails (returns nullopt, with `error` set) on an option missing its value.
std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                                        std::string& error);

}  // namespace ledgerfen::cli
