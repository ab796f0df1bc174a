// zevshow --watch: prints the viewer's trace lines from every process of the
// session as they arrive (SAP GUI of either bitness among them), until
// Ctrl+C, Ctrl+Break, the console's closing or the end of --for, then one
// summary line. Returns the exit status.
#pragma once

#include "tools/zevshow/command_options.h"
#include "tools/zevshow/text_output.h"

int RunWatch(const CommandOptions& options, TextOutput& out, TextOutput& err);
