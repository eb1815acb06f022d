// The printing system on Linux: CUPS, through libcups, as the user sees it
// (the server named by CUPS_SERVER or the client configuration, and the
// user's own lpoptions file).
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
  PrintingResult<std::string> defaultDestination() override;
  // What `lpoptions -d` does: marks the destination as the default in the
  // user's lpoptions file (cupsSetDefaultDest, cupsSetDests2). The server's
  // own default is not touched.
  PrintingResult<std::monostate> setUserDefault(const PrinterQueue& destination) override;
};

}  // namespace ledgerfen::pdf
