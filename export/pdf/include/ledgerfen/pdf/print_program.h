// The print program that the PDF export starts to print its text file:
// ledgerfen-print, installed in the program folder beside ledgerfen.
// Started as its quoted path, " /p " and the quoted file name, it prints the
// file on the user's default printer.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/data/path_probe.h"

namespace ledgerfen::pdf {

inline constexpr std::string_view kPrintProgram = "ledgerfen-print";

// The print program's path in double quotes, ready to head a command line;
// empty text when the program folder does not hold it.
std::string printProgramPath(const std::string& programFolder, const data::PathProbe& paths);

}  // namespace ledgerfen::pdf
