#include "ledgerfen/pdf/print_program.h"

#include "ledgerfen/shell/program_folder.h"

namespace ledgerfen::pdf {

std::string printProgramPath(const std::string& programFolder) {
  return shell::programFile(programFolder, kPrintProgram);
}

}  // namespace ledgerfen::pdf
