// The Wine half of scripts/bench: pairs timed side by side, A and B alternated
// over many rounds, one line per row on stdout:
//   ROW<TAB>median B/A<TAB>first-third quartile<TAB>rounds
//   wine_bench ROUNDS        all rows (the DLL registered in this prefix)
//   wine_bench watch ROUNDS ZEVSHOW   Show with zevshow --watch running / without
//   wine_bench child ...     what the launches start: exits at once
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_bstr.h"
#include "viewer/viewer_core.h"
#include "viewer/win/windows_viewer_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

void PrintRow(const std::string& name, std::vector<double> ratios) {
  std::sort(ratios.begin(), ratios.end());
  const auto at = [&](double q) { return ratios[static_cast<std::size_t>(q * (ratios.size() - 1))]; };
  std::printf("%s\t%.3f\t%.3f-%.3f\t%zu\n", name.c_str(), at(0.5), at(0.25), at(0.75), ratios.size());
  std::fflush(stdout);
}

// Times a and b, iterations calls each, alternating which goes first, and
// records b's time over a's per round.
template <typename A, typename B>
std::vector<double> Alternated(int rounds, int iterations, A a, B b) {
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double ta = 0, tb = 0;
    for (int side = 0; side < 2; ++side) {
      const bool runA = (side == 0) == (round % 2 == 0);
      const Clock::time_point start = Clock::now();
      for (int i = 0; i < iterations; ++i) runA ? a() : b();
      (runA ? ta : tb) = Seconds(start);
    }
    ratios.push_back(tb / ta);
  }
  return ratios;
}

// The real platform, with the launch call inside Show timed: Show's time and
// its own launch's time come from one and the same Show.
class TimedLaunchPlatform final : public ViewerPlatform {
 public:
  void WriteDebugOutput(const char16_t* line) override { real_.WriteDebugOutput(line); }
  std::uint32_t CurrentThreadId() override { return real_.CurrentThreadId(); }
  bool SystemMessageText(std::uint32_t code, std::u16string& text) override { return real_.SystemMessageText(code, text); }
  std::uint32_t AnsiToWide(const char* bytes, std::uint32_t byteCount, char16_t* out, std::uint32_t capacity) override {
    return real_.AnsiToWide(bytes, byteCount, out, capacity);
  }
  std::uint32_t ExpandEnvironment(const char16_t* text, char16_t* out, std::uint32_t capacity) override {
    return real_.ExpandEnvironment(text, out, capacity);
  }
  bool UserNameEx(std::uint32_t format, char16_t* buffer, std::uint32_t& size) override {
    return real_.UserNameEx(format, buffer, size);
  }
  bool LogonUserName(char16_t* buffer, std::uint32_t& size) override { return real_.LogonUserName(buffer, size); }
  std::uint32_t LastError() override { return real_.LastError(); }
  bool SystemDirectory(std::u16string& path, std::uint32_t& error) override {
    return real_.SystemDirectory(path, error);
  }
  std::u16string EnvironmentStrings() override { return real_.EnvironmentStrings(); }
  LaunchResult StartProcess(const ProcessLaunch& launch) override {
    const Clock::time_point start = Clock::now();
    const LaunchResult result = real_.StartProcess(launch);
    launchSeconds += Seconds(start);
    return result;
  }
  LaunchResult LaunchWithShell(const ShellLaunch& launch) override {
    const Clock::time_point start = Clock::now();
    const LaunchResult result = real_.LaunchWithShell(launch);
    launchSeconds += Seconds(start);
    return result;
  }
  std::uintptr_t ForegroundWindow() override { return real_.ForegroundWindow(); }
  void Sleep(std::uint32_t milliseconds) override { real_.Sleep(milliseconds); }
  void SetForeground(std::uintptr_t window) override { real_.SetForeground(window); }

  double launchSeconds = 0;

 private:
  WindowsViewerPlatform real_;
};

BstrView View(const std::u16string& text) { return {text.data(), static_cast<std::uint32_t>(text.size())}; }

// The document every Show of the bench opens, through the zevbench: scheme.
void SetBenchDocument(ViewerCore& viewer) {
  viewer.put_Server(View(u"zevbench://archive"));
  viewer.put_UrlRoot(View(u"/sap/bc/contentserver"));
  viewer.put_ContRep(View(u"A1"));
  viewer.put_DID(View(u"4711ABCDEF"));
}

std::u16string OwnPath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::u16string(reinterpret_cast<const char16_t*>(path));
}

// Show over its own launch call, per Show. The launches start this program
// as "child": directly, through the zevbench: URL scheme that scripts/bench
// registers, or through cmd /C START of that URL.
void ShowRows(int rounds) {
  const std::u16string child = u"\"" + OwnPath() + u"\" child {0}";
  struct Path {
    const char* name;
    bool start;
    bool custom;
  };
  for (const Path path : {Path{"Show / its launch call: shell open", false, false},
                          Path{"Show / its launch call: cmd START", true, false},
                          Path{"Show / its launch call: custom command", false, true}}) {
    TimedLaunchPlatform platform;
    ViewerCore viewer(platform);
    SetBenchDocument(viewer);
    viewer.put_UseStartCmd(View(path.start ? u"1" : u"0"));
    if (path.custom) viewer.AddCC(View(child));
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
      platform.launchSeconds = 0;
      const Clock::time_point start = Clock::now();
      viewer.Show();
      ratios.push_back(Seconds(start) / platform.launchSeconds);
    }
    std::int32_t code = -1;
    viewer.get_ReturnCode(code);
    if (code != 0) std::fprintf(stderr, "wine_bench: %s: ReturnCode %d\n", path.name, code);
    PrintRow(path.name, ratios);
  }
}

// A zevshow --watch of its own, printing into a file as "> trace.txt" does,
// ended when it goes out of scope.
class RunningWatch {
 public:
  explicit RunningWatch(const std::wstring& zevshow) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    if (GetTempFileNameW(folder, L"zwb", 0, path) == 0) return;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueHandle out(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!out) return;
    std::wstring commandLine = L"\"" + zevshow + L"\" --watch";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.get();
    si.hStdError = out.get();
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return;
    process_.reset(pi.hProcess);
    const UniqueHandle thread(pi.hThread);
    // Listening once the buffer's events exist.
    while (WaitForSingleObject(process_.get(), 10) == WAIT_TIMEOUT) {
      UniqueHandle ready(OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY"));
      if (ready) {
        listening_ = true;
        return;
      }
    }
  }
  ~RunningWatch() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), INFINITE);
  }
  RunningWatch(const RunningWatch&) = delete;
  RunningWatch& operator=(const RunningWatch&) = delete;

  bool listening() const { return listening_; }

 private:
  UniqueHandle process_;
  bool listening_ = false;
};

// Show (a custom command, every trace line written) with a watch taking its
// lines, against the same Show with nobody listening; the watch is started
// and ended around each side, outside the timing.
bool WatchRow(int rounds, const std::wstring& zevshow) {
  constexpr int kShowsPerSide = 4;
  WindowsViewerPlatform platform;
  ViewerCore viewer(platform);
  SetBenchDocument(viewer);
  const std::u16string child = u"\"" + OwnPath() + u"\" child {0}";
  viewer.AddCC(View(child));
  auto timeShows = [&viewer]() {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kShowsPerSide; ++i) viewer.Show();
    return Seconds(start);
  };
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double without = 0, with = 0;
    for (int side = 0; side < 2; ++side) {
      if ((side == 0) == (round % 2 == 0)) {
        without = timeShows();
        continue;
      }
      RunningWatch watch(zevshow);
      if (!watch.listening()) {
        std::fprintf(stderr, "wine_bench: zevshow --watch did not start listening\n");
        return false;
      }
      with = timeShows();
    }
    ratios.push_back(with / without);
  }
  PrintRow("Show with zevshow --watch running / without", ratios);
  return true;
}

void CreateViewer(IClassFactory* factory, ComRef<IDorvex_ZevEvover>& viewer) {
  factory->CreateInstance(nullptr, IID_IDorvex_ZevEvover, reinterpret_cast<void**>(viewer.put()));
}

void DispatchRows(IClassFactory* factory, int rounds) {
  ComRef<IDorvex_ZevEvover> viewer;
  CreateViewer(factory, viewer);
  ComRef<ITypeInfo> typeInfo;
  viewer->GetTypeInfo(0, LOCALE_USER_DEFAULT, typeInfo.put());
  if (!viewer || !typeInfo) {
    std::fprintf(stderr, "wine_bench: no viewer or no type information\n");
    return;
  }
  wchar_t nameText[] = L"ReturnCode";
  LPOLESTR name = nameText;
  DISPID id = 0;
  PrintRow("IDispatch::GetIDsOfNames, cached / ITypeInfo's",
           Alternated(rounds, 2000, [&] { typeInfo->GetIDsOfNames(&name, 1, &id); },
                      [&] { viewer->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); }));
  DISPPARAMS none{};
  PrintRow("IDispatch::Invoke / ITypeInfo::Invoke",
           Alternated(rounds, 2000,
                      [&] {
                        VARIANT result;
                        VariantInit(&result);
                        typeInfo->Invoke(viewer.get(), id, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
                      },
                      [&] {
                        VARIANT result;
                        VariantInit(&result);
                        viewer->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                       nullptr, nullptr);
                      }));
  const UniqueBstr value(SysAllocString(L"A1"));
  PrintRow("traced put_ContRep / OutputDebugStringW",
           Alternated(rounds, 2000, [&] { OutputDebugStringW(L": (TID=1234): Vexdor.ZevEvov : ContRep:     A1\r\n"); },
                      [&] { viewer->put_ContRep(value.get()); }));
}

// The same loop on threads threads at once: wall time for all of them.
template <typename Body>
double OnThreads(int threads, int iterations, Body body) {
  std::vector<std::thread> workers;
  const Clock::time_point start = Clock::now();
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      for (int i = 0; i < iterations; ++i) body();
      CoUninitialize();
    });
  }
  for (std::thread& worker : workers) worker.join();
  return Seconds(start);
}

// Create-and-release against a loop with no product code but the same kind
// of work (a heap block, a critical section, a shared count): both per thread
// count, and each one's scaling over one thread.
void CreationRows(IClassFactory* factory, int rounds) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  LONG count = 0;
  const auto plain = [&] {
    void* block = HeapAlloc(GetProcessHeap(), 0, 256);
    EnterCriticalSection(&section);
    InterlockedIncrement(&count);
    LeaveCriticalSection(&section);
    InterlockedDecrement(&count);
    HeapFree(GetProcessHeap(), 0, block);
  };
  const auto product = [&] {
    ComRef<IDorvex_ZevEvover> viewer;
    CreateViewer(factory, viewer);
  };
  constexpr int kIterations = 20000;
  std::vector<double> single[2];
  for (const int threads : {1, 2, 4}) {
    std::vector<double> ratios, scaling[2];
    for (int round = 0; round < rounds; ++round) {
      double time[2];
      for (int side = 0; side < 2; ++side) {
        const int which = (side == 0) == (round % 2 == 0) ? 0 : 1;
        time[which] = which == 0 ? OnThreads(threads, kIterations, plain) : OnThreads(threads, kIterations, product);
      }
      ratios.push_back(time[1] / time[0]);
      for (int which = 0; which < 2; ++which) {
        if (threads == 1) single[which].push_back(time[which]);
        // Throughput over one thread's: threads times the work in time.
        scaling[which].push_back(threads * single[which][round] / time[which]);
      }
    }
    const std::string suffix = std::to_string(threads) + (threads == 1 ? " thread" : " threads");
    PrintRow("create-release / plain loop, " + suffix, ratios);
    if (threads > 1) {
      PrintRow("create-release throughput, " + suffix + " / 1", scaling[1]);
      PrintRow("plain loop throughput, " + suffix + " / 1", scaling[0]);
    }
  }
  DeleteCriticalSection(&section);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && std::wstring(argv[1]) == L"child") return 0;
  if (argc == 4 && std::wstring(argv[1]) == L"watch") return WatchRow(_wtoi(argv[2]), argv[3]) ? 0 : 1;
  const int rounds = argc > 1 ? _wtoi(argv[1]) : 31;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    ComRef<IClassFactory> factory;
    const HRESULT hr = CoGetClassObject(CLSID_Dorvex_ZevEvover, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(factory.put()));
    if (FAILED(hr)) {
      std::fprintf(stderr, "wine_bench: class not available: 0x%08lx\n", static_cast<unsigned long>(hr));
      return 1;
    }
    ShowRows(rounds);
    DispatchRows(factory.get(), rounds);
    CreationRows(factory.get(), rounds);
  }
  CoUninitialize();
  return 0;
}
