// zevshow: the viewer's trace lines from SAP itself, a test Show of the
// document viewer from the command line, exactly as the SAP front end would
// make it, and a check of the viewer's registration, for administrators and
// support staff.
//   zevshow --watch [--for SECONDS] [--all]
//   zevshow --server URL --url-root PATH --contrep ID --did ID [options]
//   zevshow --check
//   zevshow --help
#include <windows.h>

#include <new>
#include <string>

#include "tools/zevshow/apartment_scope.h"
#include "tools/zevshow/command_options.h"
#include "tools/zevshow/exit_status.h"
#include "tools/zevshow/registration_check.h"
#include "tools/zevshow/result_text.h"
#include "tools/zevshow/test_show.h"
#include "tools/zevshow/text_output.h"
#include "tools/zevshow/watch.h"

int wmain(int argc, wchar_t** argv) {
  TextOutput out(STD_OUTPUT_HANDLE);
  TextOutput err(STD_ERROR_HANDLE);
  try {
    CommandOptions options;
    std::wstring error;
    if (!ParseCommandOptions(argc, argv, options, error)) {
      err.WriteLine(L"zevshow: " + error);
      err.Write(kUsageText);
      return exit_status::kBadArguments;
    }
    if (options.help) {
      out.Write(kUsageText);
      return exit_status::kOk;
    }
    if (options.watch) return RunWatch(options, out, err);
    ApartmentScope apartment;
    if (FAILED(apartment.result())) {
      out.WriteLine(L"zevshow: CoInitializeEx: " + ResultText(apartment.result()));
      return exit_status::kNotUsable;
    }
    return options.check ? RunRegistrationCheck(out) : RunTestShow(options, out);
  } catch (const std::bad_alloc&) {
    err.WriteLine(L"zevshow: out of memory");
    return exit_status::kNotUsable;
  }
}
