#include "ledgerfen/shell/hand_pointer.h"

#include "ledgerfen/shell/cursor_file.h"
#include "ledgerfen/shell/program_folder.h"

namespace ledgerfen::shell {

void loadHandPointer(TrappedHandler& handler, int testLine, const WindowServices& window, WindowPointer& pointer) {
  const std::string path = programFile(window.programFolder, kHandPointerFile);
  if (!handler.test(testLine, [&] { return window.paths.exists(path); })) return;
  handler.step(testLine + 2, [&]() -> Status {
    LF_ASSIGN_OR_RETURN(QCursor icon, loadCursorFile(path));
    pointer.setMouseIcon(icon);
    return okStatus();
  });
}

}  // namespace ledgerfen::shell
