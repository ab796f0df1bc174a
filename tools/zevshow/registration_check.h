// zevshow --check: the server's registration as this process's registry view
// sees it, one line per item with OK or the fault and its fix, and whether the
// other bitness's view holds a registration too. Returns the exit status:
// OK only when every item is.
#pragma once

#include "tools/zevshow/text_output.h"

int RunRegistrationCheck(TextOutput& out);
