#include "app/XHTTP.h"

#include "foundation/ILog.h"
#include "foundation/XException.h"
#include "os/OsFiles.h"

namespace {

void Trace(ILog* log, const char* text) {
  if (log) log->Write(kLogInfo, text);
}

}  // namespace

void XHTTP::Download(const XString& url, const XString& localPath, ILog* log,
                     const os::HttpTimeouts& timeouts, XString* detail) {
  std::string target = localPath.ToStd();
  std::string scratch = target + ".download";

  Trace(log, "XHTTP: WinInit!");
  Trace(log, "XHTTP: Attempt Connection");
  os::HttpResult result = os::HttpDownload(url.ToStd(), scratch, timeouts);
  // The transfer runs as one call; its stages are traced afterwards as far as it got.
  auto fail = [&](const XException& error) {
    os::DeleteFilePath(scratch);
    if (detail) *detail = XString(result.message);
    Trace(log, "XHTTP: WinCleanup");
    throw error;
  };
  if (result.stage == os::HttpStage::kAttemptConnection) {
    fail(XException("Error connecting to internet."));
  }
  Trace(log, "XHTTP: Internet Open");
  if (result.stage == os::HttpStage::kOpenSession) {
    fail(XException("Error opening internet connection"));
  }
  Trace(log, "XHTTP: Opened Internet Finished");
  Trace(log, "XHTTP: Build URL");
  Trace(log, "XHTTP: Opening URL");
  Trace(log, "XHTTP: Freeing urlStr");
  Trace(log, "XHTTP: urlStr freed");
  if (result.stage == os::HttpStage::kOpenUrl) fail(XException("Error opening URL"));
  Trace(log, "XHTTP: Opening File.  Need write perm");
  if (result.stage == os::HttpStage::kOpenFile) {
    fail(XException::Format(0, "Error writing to file: %s", localPath.c_str()));
  }
  Trace(log, "XHTTP: Opened File");
  Trace(log, "XHTTP: Writing to file");
  if (result.stage != os::HttpStage::kDone) {
    fail(XException::Format(0, "Error writing to file: %s", localPath.c_str()));
  }
  Trace(log, "XHTTP: Closing file");
  bool moved = os::ReplaceFilePath(scratch, target);
  Trace(log, "XHTTP: WinCleanup");
  if (!moved) {
    os::DeleteFilePath(scratch);
    throw XException::Format(0, "Error writing to file: %s", localPath.c_str());
  }
}
