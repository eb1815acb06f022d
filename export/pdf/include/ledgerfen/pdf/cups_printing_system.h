// The printing system on Linux: CUPS, through libcups, as the user sees it
// (the server named by CUPS_SERVER or the client configuration), and the
// user's own lpoptions file (user_printer_options.h).
#pragma once

#include "ledgerfen/pdf/printing_system.h"

namespace ledgerfen::pdf {

class CupsPrintingSystem final : public PrintingSystem {
 public:
  // The destinations of the CUPS server with the user's instances. When the
  // scheduler does not answer, the list is empty: that is no printer.
  PrintingResult<std::vector<PrinterQueue>> destinations() override;
  // The default as lp and lpstat see it: LPDEST or PRINTER, else the user's
  // lpoptions, else the system lpoptions, else the server's default.
  PrintingResult<std::optional<std::string>> defaultDestination() override;
  // The Default line of the user's lpoptions; a missing file names none.
  PrintingResult<std::optional<std::string>> userDefault() override;
  // Rewrites the user's lpoptions with only its Default line changed
  // (withDefaultInOptions), replacing the file in one step and keeping its
  // mode; a file left empty is removed. The system's lpoptions and the
  // server's default are not touched.
  PrintingResult<std::monostate> setUserDefault(const std::optional<std::string>& destination) override;
};

}  // namespace ledgerfen::pdf
