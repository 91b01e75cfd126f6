// HTTP download of small files (the site data files). WinINet on Windows, libcurl on POSIX.
#pragma once

#include <string>

namespace os {

// How far a download got before it stopped; each stage has its own error text one level up.
enum class HttpStage {
  kAttemptConnection,  // the system could not reach the network at all
  kOpenSession,        // no Internet session handle
  kOpenUrl,            // no answer from the address, or an answer other than 200 OK
  kOpenFile,           // the local file could not be created
  kTransfer,           // the response broke off, timed out or could not be written
  kDone,               // the whole response is in the local file
};

struct HttpTimeouts {
  unsigned connectMs = 3000;   // to reach the server
  unsigned transferMs = 6000;  // for the whole exchange, headers and body
};

struct HttpResult {
  HttpStage stage = HttpStage::kAttemptConnection;
  int status = 0;       // the HTTP status code when the server answered, else 0
  std::string message;  // what went wrong, for the log; empty when done
  bool Ok() const { return stage == HttpStage::kDone; }
};

// Largest response accepted; the data files are a few kilobytes.
inline constexpr long long kHttpMaxBytes = 16LL * 1024 * 1024;

// Fetches `url` (http or https) with a GET and writes the body into the file at `localPath`,
// created anew. Only a 200 answer counts; redirects are followed. The timeouts bound the whole
// call, so that an unreachable or silent server costs at most a few seconds. On failure the
// local file may hold a partial body: download into a scratch file and replace the real one
// only on success.
HttpResult HttpDownload(const std::string& url, const std::string& localPath,
                        const HttpTimeouts& timeouts = HttpTimeouts());

}  // namespace os
