#include "os/OsHttp.h"

#include <curl/curl.h>

#include <mutex>

#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

namespace os {
namespace {

struct Sink {
  FileHandle file = kInvalidFile;
  long long written = 0;
  bool writeFailed = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  Sink* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  if (sink->written + static_cast<long long>(n) > kHttpMaxBytes ||
      !WriteFile(sink->file, data, n)) {
    sink->writeFailed = true;
    return 0;  // makes libcurl stop with CURLE_WRITE_ERROR
  }
  sink->written += static_cast<long long>(n);
  return n;
}

// curl_global_init is not thread-safe and must run once before the first handle.
bool GlobalInit() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ok;
}

}  // namespace

HttpResult HttpDownload(const std::string& url, const std::string& localPath,
                        const HttpTimeouts& timeouts) {
  HttpResult result;
  if (!GlobalInit()) {
    result.message = "libcurl could not be initialised";
    return result;
  }
  result.stage = HttpStage::kOpenSession;
  CURL* curl = curl_easy_init();
  if (!curl) {
    result.message = "libcurl could not create a handle";
    return result;
  }
  char errorText[CURL_ERROR_SIZE] = "";
  std::string utf8Url = NarrowToUtf8(url);
  curl_easy_setopt(curl, CURLOPT_URL, utf8Url.c_str());
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // timeouts without SIGALRM
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connectMs));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeouts.transferMs));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kHttpMaxBytes));
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Quorvane Connect");

  // An error page (404 and the like) must never land in the file as if it were data.
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);

  Sink sink;
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);

  sink.file = OpenFile(localPath, kOpenWrite);
  if (sink.file == kInvalidFile) {
    result.stage = HttpStage::kOpenFile;
    result.message = ErrorMessage(LastError());
    curl_easy_cleanup(curl);
    return result;
  }

  CURLcode rc = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<int>(status);
  bool closed = CloseFile(sink.file);

  if (rc == CURLE_OK && status == 200 && closed) {
    result.stage = HttpStage::kDone;
  } else {
    bool answered = status != 0;
    if (!answered || status != 200) {
      result.stage = HttpStage::kOpenUrl;
    } else {
      result.stage = HttpStage::kTransfer;
    }
    if (sink.writeFailed || !closed) result.stage = HttpStage::kTransfer;
    result.message = errorText[0] ? std::string(errorText) : std::string(curl_easy_strerror(rc));
    if (rc == CURLE_OK && status != 200) result.message = "HTTP status " + std::to_string(status);
  }
  curl_easy_cleanup(curl);
  return result;
}

}  // namespace os
