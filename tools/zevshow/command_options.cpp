#include "tools/zevshow/command_options.h"


const wchar_t kUsageText[] =
    L"usage:\r\n"
    L"  zevshow --watch [--for SECONDS] [--all]\r\n"
    L"  zevshow --server URL --url-root PATH --contrep ID --did ID [--send-user]\r\n"
    L"          [--start-cmd | --command \"TEXT with {0}\"] [--show-flag NAME]\r\n"
    L"          [--keep-focus [--focus-wait MS]] [--trace]\r\n"
    L"  zevshow --check\r\n"
    L"  zevshow --help\r\n"
    L"\r\n"
    L"--watch: prints the viewer's trace lines from every program of this session\r\n"
    L"(SAP GUI, 32-bit and 64-bit alike) as they arrive, each with the time, the\r\n"
    L"process id and the program's file name, until Ctrl+C, then a summary line.\r\n"
    L"The first way to capture the trace while a user opens a document; DebugView\r\n"
    L"is the alternative. zevshow --watch > trace.txt gives the ticket's file.\r\n"
    L"  --for SECONDS     stop by itself after that many seconds\r\n"
    L"  --all             every line of the debug output, not just the viewer's\r\n"
    L"\r\n"
    L"Test Show: creates DorvexZevEvov.Dorvex_ZevEvover in process as the SAP front\r\n"
    L"end does, sets its members in the front end's order, calls Show and prints\r\n"
    L"ReturnCode and LastErrorText. Every value goes to the viewer unchanged.\r\n"
    L"  --server URL      ClearServer, AddServer URL\r\n"
    L"  --url-root PATH   ClearUrlRoot, AddUrlRoot PATH\r\n"
    L"  --contrep ID      ContRep\r\n"
    L"  --did ID          DID, the SAP document id\r\n"
    L"  --send-user       SendUser = True: the URL carries the user name\r\n"
    L"  --start-cmd       UseStartCmd = \"true\": launch through cmd /C START\r\n"
    L"  --command TEXT    ClearCC, AddCC TEXT: the custom viewer command, {0} is the URL\r\n"
    L"  --show-flag NAME  ShowFlag, a name such as SW_SHOWNORMAL or a number\r\n"
    L"  --keep-focus      KeepFocusOnSap = \"true\"\r\n"
    L"  --focus-wait MS   FocusWaitMS\r\n"
    L"  --trace           also print the viewer's debug-output lines of this run\r\n"
    L"\r\n"
    L"--check: the registration as this program's registry view sees it, one line\r\n"
    L"per item, OK or the fault and its fix.\r\n"
    L"\r\n"
    L"Exit status: 0 ReturnCode 0, every check OK, or the watch ended; 1 bad\r\n"
    L"arguments; 2 ReturnCode 745 (the viewer program did not start); 3 the viewer\r\n"
    L"cannot be created or called in process, --check found a fault, or another\r\n"
    L"debug-output viewer owns the buffer --watch needs.\r\n";

namespace {

struct ValueOption {
  const wchar_t* name;
  std::optional<std::wstring> CommandOptions::*field;
};

struct FlagOption {
  const wchar_t* name;
  bool CommandOptions::*field;
};

constexpr size_t kRequiredValueOptions = 4;
constexpr ValueOption kValueOptions[] = {
    {L"--server", &CommandOptions::server},       {L"--url-root", &CommandOptions::urlRoot},
    {L"--contrep", &CommandOptions::contRep},     {L"--did", &CommandOptions::did},
    {L"--command", &CommandOptions::command},     {L"--show-flag", &CommandOptions::showFlag},
    {L"--focus-wait", &CommandOptions::focusWait}, {L"--for", &CommandOptions::forSeconds},
};

constexpr FlagOption kFlagOptions[] = {
    {L"--help", &CommandOptions::help},           {L"--check", &CommandOptions::check},
    {L"--send-user", &CommandOptions::sendUser},  {L"--start-cmd", &CommandOptions::startCmd},
    {L"--keep-focus", &CommandOptions::keepFocus}, {L"--trace", &CommandOptions::trace},
    {L"--watch", &CommandOptions::watch},         {L"--all", &CommandOptions::all},
};

// A week: longer watches are a mistake in the number, not a plan.
constexpr unsigned long kLongestWatchSeconds = 7 * 24 * 60 * 60;

bool Fail(std::wstring& error, std::wstring text) {
  error = std::move(text);
  return false;
}

bool AnyShowOption(const CommandOptions& o) {
  return o.server || o.urlRoot || o.contRep || o.did || o.command || o.showFlag || o.focusWait || o.sendUser ||
         o.startCmd || o.keepFocus || o.trace;
}

// Whole seconds from 1 to kLongestWatchSeconds, digits only.
bool ReadSeconds(const std::wstring& text, unsigned long& seconds) {
  if (text.empty() || text.size() > std::to_wstring(kLongestWatchSeconds).size()) return false;
  unsigned long value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  if (value == 0 || value > kLongestWatchSeconds) return false;
  seconds = value;
  return true;
}

bool CheckWatch(CommandOptions& options, std::wstring& error) {
  if (AnyShowOption(options) || options.check) return Fail(error, L"--watch takes only --for and --all");
  if (options.forSeconds && !ReadSeconds(*options.forSeconds, options.watchSeconds)) {
    return Fail(error, L"--for needs whole seconds from 1 to " + std::to_wstring(kLongestWatchSeconds));
  }
  return true;
}

bool ReadArguments(int argc, const wchar_t* const* argv, CommandOptions& options, std::wstring& error) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    bool known = false;
    for (const FlagOption& flag : kFlagOptions) {
      if (argument != flag.name) continue;
      if (options.*flag.field) return Fail(error, argument + L" is given twice");
      options.*flag.field = true;
      known = true;
    }
    for (const ValueOption& option : kValueOptions) {
      if (argument != option.name) continue;
      if (options.*option.field) return Fail(error, argument + L" is given twice");
      // The next argument is the value whatever it looks like: values pass
      // to the viewer as they are.
      if (++i == argc) return Fail(error, argument + L" needs a value");
      options.*option.field = argv[i];
      known = true;
    }
    if (!known) return Fail(error, L"unknown argument: " + argument);
  }
  return true;
}

}  // namespace

bool ParseCommandOptions(int argc, const wchar_t* const* argv, CommandOptions& options, std::wstring& error) {
  options = CommandOptions();
  if (argc <= 1) return Fail(error, L"no arguments");
  if (!ReadArguments(argc, argv, options, error)) return false;
  if (options.help) return true;
  if (options.watch) return CheckWatch(options, error);
  if (options.forSeconds || options.all) return Fail(error, L"--for and --all need --watch");
  if (options.check) {
    return AnyShowOption(options) ? Fail(error, L"--check takes no other option") : true;
  }
  // The four values every Show needs, the first four value options.
  for (size_t i = 0; i < kRequiredValueOptions; ++i) {
    if (!(options.*kValueOptions[i].field)) return Fail(error, std::wstring(L"missing ") + kValueOptions[i].name);
  }
  if (options.startCmd && options.command) return Fail(error, L"--start-cmd and --command exclude each other");
  if (options.focusWait && !options.keepFocus) return Fail(error, L"--focus-wait needs --keep-focus");
  return true;
}
