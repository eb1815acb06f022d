// The optional files the program looks for in its own folder (the folder of
// its executable): the skin, the hand pointer and the sample database.
#pragma once

#include <string>
#include <string_view>

namespace ledgerfen::shell {

inline constexpr std::string_view kSkinFile = "x/o.cjs";
inline constexpr std::string_view kHandPointerFile = "HAND-M.CUR";
inline constexpr std::string_view kSampleDatabase = "Samples/sample.mdb";

// A file of the program folder: the folder, "/" and the name.
inline std::string programFile(const std::string& programFolder, std::string_view name) {
  return programFolder + "/" + std::string(name);
}

}  // namespace ledgerfen::shell
