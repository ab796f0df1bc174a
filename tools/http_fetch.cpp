// Stands in for a Windows viewer program that downloads the document itself:
// sends one GET for the URL it is given, through WinHTTP, with the path and
// query exactly as they come (no escaping added), and prints the status code
// and the size of the body.
//   http_fetch URL
// Exit code 0 when a response arrived, whatever its status; 1 when none did.
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>

#include "base/win/unique_internet_handle.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kReadChunk = 16384;

// Exit code 1, after saying which step failed and why.
int Fail(const char* what) {
  fprintf(stderr, "http_fetch: %s failed, error %lu\n", what, GetLastError());
  return 1;
}

// The request target of the URL: path and query, without a fragment.
bool SplitUrl(const std::wstring& url, std::wstring& host, INTERNET_PORT& port, std::wstring& target) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  host.assign(parts.lpszHostName, parts.dwHostNameLength);
  port = parts.nPort;
  target.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  target = target.substr(0, target.find(L'#'));
  if (target.empty()) target = L"/";
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: http_fetch URL\n");
    return 2;
  }
  std::wstring host;
  std::wstring target;
  INTERNET_PORT port = 0;
  if (!SplitUrl(argv[1], host, port, target)) return Fail("reading the URL");

  UniqueInternetHandle session(
      WinHttpOpen(L"http_fetch/1", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return Fail("WinHttpOpen");
  WinHttpSetTimeouts(session.get(), kTimeoutMs, kTimeoutMs, kTimeoutMs, kTimeoutMs);
  UniqueInternetHandle connection(WinHttpConnect(session.get(), host.c_str(), port, 0));
  if (!connection) return Fail("WinHttpConnect");
  // The URL is already escaped; WinHTTP must not escape it again.
  UniqueInternetHandle request(WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  WINHTTP_FLAG_ESCAPE_DISABLE | WINHTTP_FLAG_ESCAPE_DISABLE_QUERY));
  if (!request) return Fail("WinHttpOpenRequest");
  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return Fail("WinHttpSendRequest");
  }
  if (!WinHttpReceiveResponse(request.get(), nullptr)) return Fail("WinHttpReceiveResponse");

  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return Fail("WinHttpQueryHeaders");
  }
  unsigned long long bodyBytes = 0;
  static char chunk[kReadChunk];
  DWORD read = 0;
  while (WinHttpReadData(request.get(), chunk, sizeof chunk, &read) && read > 0) bodyBytes += read;
  printf("HTTP %lu, %llu bytes\n", status, bodyBytes);
  return 0;
}
