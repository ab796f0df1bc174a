// The test Show: creates the viewer by ProgID in process, in this thread's
// single-threaded apartment, sets its members from the options in the order
// the SAP front end uses, calls Show and prints ReturnCode, LastErrorText and,
// on request, the trace lines of the run. Returns the exit status.
#pragma once

#include "tools/zevshow/command_options.h"
#include "tools/zevshow/text_output.h"

int RunTestShow(const CommandOptions& options, TextOutput& out);
