// The print program that the PDF export starts to print its text file:
// ledgerfen-print, installed in the program folder beside ledgerfen. Started
// with "-d" and a printer, "-t" and a title, "/p" and the file, it prints
// the table in the file on that printer as a job of that title.
#pragma once

#include <string>
#include <string_view>

namespace ledgerfen::pdf {

inline constexpr std::string_view kPrintProgram = "ledgerfen-print";

// The print program's path in the program folder. Whether it is there is
// for starting it to find out: the launcher's failure names the path.
std::string printProgramPath(const std::string& programFolder);

}  // namespace ledgerfen::pdf
