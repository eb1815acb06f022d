// The hand pointer every page shows over its buttons: the cursor file
// HAND-M.CUR in the program folder, when there is one.
#pragma once

#include "ledgerfen/shell/error_report.h"
#include "ledgerfen/shell/window_pointer.h"
#include "ledgerfen/shell/window_services.h"

namespace ledgerfen::shell {

// Runs, through the page's trapping handler, the test for the file at step
// `testLine` and, when it exists, the loading into `pointer` at the step
// after it (`testLine` + 2); a damaged file is that step's failure.
void loadHandPointer(TrappedHandler& handler, int testLine, const WindowServices& window, WindowPointer& pointer);

}  // namespace ledgerfen::shell
