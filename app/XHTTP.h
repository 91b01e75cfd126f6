// Download of one file over HTTP, with the steps traced to a log. The transfer itself is the
// operating system's (WinINet or libcurl); the timeouts keep a dead or silent server from
// holding up the program's start for more than a few seconds.
#pragma once

#include "foundation/XString.h"
#include "os/OsHttp.h"

class ILog;

class XHTTP {
 public:
  // Fetches the address into the local path, replacing an older file. Only a complete 200
  // answer reaches the local path: the body is written to a scratch file beside it and moved
  // over it at the end, so a failed download leaves the previous file untouched. Failures
  // raise "Error connecting to internet.", "Error opening internet connection",
  // "Error opening URL" or "Error writing to file: %s". What the system said about a failure
  // ("Could not resolve host: ...", "HTTP status 404") goes into `detail` when given, not into
  // the log: the caller decides how a failed download reads there.
  static void Download(const XString& url, const XString& localPath, ILog* log,
                       const os::HttpTimeouts& timeouts = os::HttpTimeouts(), XString* detail = nullptr);
};
