#include "arguments.h"

namespace ledgerfen::cli {
namespace {

const std::string kOutputOption = "--output";

}  // namespace

std::optional<Arguments> parseArguments(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                                        std::string& error) {
  Arguments parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    // "-o" is the one short form: --output.
    const std::string& a = args[i] == "-o" ? kOutputOption : args[i];
    if (a.size() > 2 && a.starts_with("--")) {
      std::string name = a.substr(2);
      if (withValue.count(name)) {
        if (i + 1 >= args.size()) {
          error = "option --" + name + " needs a value";
          return std::nullopt;
        }
        parsed.options[name] = args[++i];
        parsed.repeated[name].push_back(args[i]);
      } else {
        parsed.flags.insert(name);
      }
    } else {
      parsed.positional.push_back(a);
    }
  }
  return parsed;
}

}  // namespace ledgerfen::cli
