#include "os/OsHttp.h"

#include <windows.h>
#include <wininet.h>

#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsText.h"
#include "os/OsTime.h"

namespace os {
namespace {

// Closes a WinINet handle when the download leaves, by any path.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : m_handle(handle) {}
  ~InternetHandle() {
    if (m_handle) InternetCloseHandle(m_handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return m_handle; }

 private:
  HINTERNET m_handle;
};

std::string WinInetMessage(DWORD code) {
  return "WinINet error " + std::to_string(code);
}

bool IsHttpAddress(const std::string& url) {
  auto begins = [&](const char* prefix) {
    size_t n = strlen(prefix);
    if (url.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
      char c = url[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  return begins("http://") || begins("https://");
}

}  // namespace

HttpResult HttpDownload(const std::string& url, const std::string& localPath,
                        const HttpTimeouts& timeouts) {
  HttpResult result;
  uint32_t started = TickCount();

  if (InternetAttemptConnect(0) != ERROR_SUCCESS) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }

  result.stage = HttpStage::kOpenSession;
  InternetHandle session(
      InternetOpenW(L"Quorvane Connect", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session.get()) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }
  // Without these WinINet waits minutes for a silent server, and the start waits with it.
  DWORD connectMs = timeouts.connectMs, transferMs = timeouts.transferMs, retries = 1;
  InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
  InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
  InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &transferMs, sizeof transferMs);
  InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &transferMs, sizeof transferMs);
  InternetSetOptionW(session.get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &transferMs,
                     sizeof transferMs);

  result.stage = HttpStage::kOpenUrl;
  if (!IsHttpAddress(url)) {
    result.message = "not an http or https address";
    return result;
  }
  // The request is opened in steps rather than with InternetOpenUrlW so that the timeouts can
  // be set on the request handle itself before anything is sent: not every WinINet passes the
  // session's receive timeout on to the requests of InternetOpenUrlW, and a silent server
  // would then hold the call for good.
  std::u16string wideUrl = NarrowToWide(url);
  std::wstring urlText(wideUrl.begin(), wideUrl.end());
  wchar_t host[256] = L"", path[2048] = L"", extra[2048] = L"";
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = 2048;
  if (!InternetCrackUrlW(urlText.c_str(), 0, 0, &parts)) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }
  InternetHandle connection(InternetConnectW(session.get(), host, parts.nPort, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.get()) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }
  std::wstring object = std::wstring(path[0] ? path : L"/") + extra;
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  InternetHandle request(HttpOpenRequestW(connection.get(), L"GET", object.c_str(), nullptr,
                                          nullptr, nullptr, flags, 0));
  if (!request.get()) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }
  InternetSetOptionW(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
  InternetSetOptionW(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &transferMs, sizeof transferMs);
  InternetSetOptionW(request.get(), INTERNET_OPTION_SEND_TIMEOUT, &transferMs, sizeof transferMs);
  if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) {
    result.message = WinInetMessage(GetLastError());
    return result;
  }
  // WinINet hands back a request for any answer; an error page must never land in the file.
  DWORD status = 0, size = sizeof status;
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                     &size, nullptr)) {
    result.status = static_cast<int>(status);
  }
  if (status != 200) {
    result.message = "HTTP status " + std::to_string(status);
    return result;
  }

  result.stage = HttpStage::kOpenFile;
  FileHandle file = OpenFile(localPath, kOpenWrite);
  if (file == kInvalidFile) {
    result.message = ErrorMessage(LastError());
    return result;
  }

  result.stage = HttpStage::kTransfer;
  char block[1024];
  long long total = 0;
  for (;;) {
    // The receive timeout bounds each read; this bounds a server that drips slowly.
    if (TickCount() - started > timeouts.connectMs + timeouts.transferMs) {
      result.message = "the transfer took too long";
      CloseFile(file);
      return result;
    }
    DWORD got = 0;
    if (!InternetReadFile(request.get(), block, sizeof block, &got)) {
      result.message = WinInetMessage(GetLastError());
      CloseFile(file);
      return result;
    }
    if (got == 0) break;
    total += got;
    if (total > kHttpMaxBytes || !WriteFile(file, block, got)) {
      result.message = total > kHttpMaxBytes ? "the response is too large"
                                             : ErrorMessage(LastError());
      CloseFile(file);
      return result;
    }
  }
  if (!CloseFile(file)) {
    result.message = ErrorMessage(LastError());
    return result;
  }
  result.stage = HttpStage::kDone;
  return result;
}

}  // namespace os
