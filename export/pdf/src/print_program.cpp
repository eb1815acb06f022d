#include "ledgerfen/pdf/print_program.h"

#include "ledgerfen/shell/program_folder.h"

namespace ledgerfen::pdf {

std::string printProgramPath(const std::string& programFolder, const data::PathProbe& paths) {
  const std::string path = shell::programFile(programFolder, kPrintProgram);
  if (!paths.exists(path)) return {};
  return "\"" + path + "\"";
}

}  // namespace ledgerfen::pdf
