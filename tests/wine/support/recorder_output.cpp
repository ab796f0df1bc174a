#include "recorder_output.h"

#include "base/win/unique_handle.h"
#include "time_scale.h"

RecorderOutput::RecorderOutput(const wchar_t* stem) {
  static unsigned instances = 0;
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  path_ = std::wstring(folder) + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++instances) + L".txt";
  DeleteFileW(path_.c_str());
  SetEnvironmentVariableW(L"RECORDER_OUTPUT", path_.c_str());
}

RecorderOutput::~RecorderOutput() { DeleteFileW(path_.c_str()); }

std::vector<std::wstring> RecorderOutput::Lines() const {
  std::vector<std::wstring> lines;
  const UniqueHandle file(CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  if (!file) return lines;
  std::string bytes;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  size_t start = 0;
  for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    const int size = static_cast<int>(end - start);
    std::wstring line(MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data() + start, size, line.data(), static_cast<int>(line.size()));
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::wstring> RecorderOutput::WaitForLines(size_t count, DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + time_scale::Scaled(timeoutMs);
  std::vector<std::wstring> lines = Lines();
  while (lines.size() < count && GetTickCount64() < deadline) {
    Sleep(50);
    lines = Lines();
  }
  return lines;
}
