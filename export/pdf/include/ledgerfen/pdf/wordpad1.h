// Wordpad1: finds the print program that the PDF export starts to print its
// text file. It is ledgerfen-print, installed in the program folder beside
// ledgerfen; started as its quoted path, " /p " and the quoted file name, it
// prints the file on the user's default printer.
#pragma once

#include <string>
#include <string_view>

#include "ledgerfen/data/path_probe.h"

namespace ledgerfen::pdf {

inline constexpr std::string_view kPrintProgram = "ledgerfen-print";

// The print program's path in double quotes, ready to head a command line;
// empty text when the program folder does not hold it.
std::string GetWordPadPath(const std::string& programFolder, const data::PathProbe& paths);

}  // namespace ledgerfen::pdf
