#include <gtest/gtest.h>

#include <chrono>

#include "LoopbackHttpServer.h"
#include "TestLog.h"
#include "app/QvFramework.h"
#include "app/XHTTP.h"
#include "foundation/XException.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

using apptest::LoopbackHttpServer;
using apptest::TestLog;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

// Seconds a failing download took. The bound the tests check is generous: it only tells a
// bounded failure from waiting out the system's own timeouts, which run to minutes.
template <typename F>
double SecondsOf(F&& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string DownloadError(const std::string& url, const std::string& path, TestLog* log) {
  try {
    XHTTP::Download(XString(url), XString(path), log);
  } catch (const XException& error) {
    return error.Text();
  }
  return "";
}

}  // namespace

TEST(DownloadTest, AFileComesOverLoopbackAndReplacesTheOldOne) {
  // Larger than one 1,024-byte block, with every byte value, to catch a transfer that stops
  // short or treats the body as text.
  std::string body;
  for (int i = 0; i < 5000; ++i) body += static_cast<char>(i % 256);
  LoopbackHttpServer server;
  server.Serve("/data/QvSIS.xml", body);
  TempDir folder;
  WriteAll(folder.File("QvSIS.xml"), "old");
  TestLog log;
  EXPECT_EQ(DownloadError(server.BaseUrl() + "data/QvSIS.xml", folder.File("QvSIS.xml"), &log), "");
  EXPECT_EQ(ReadAll(folder.File("QvSIS.xml")), body);
  EXPECT_TRUE(log.Has("XHTTP: Writing to file"));
  EXPECT_TRUE(log.Has("XHTTP: WinCleanup"));
  EXPECT_EQ(server.RequestCount(), 1);
}

TEST(DownloadTest, AnErrorPageNeverReplacesTheLocalFile) {
  LoopbackHttpServer server;
  TempDir folder;
  WriteAll(folder.File("QvSIS.xml"), "good data");
  TestLog log;
  EXPECT_EQ(DownloadError(server.BaseUrl() + "missing.xml", folder.File("QvSIS.xml"), &log),
            "Error opening URL");
  EXPECT_EQ(ReadAll(folder.File("QvSIS.xml")), "good data");
  EXPECT_FALSE(log.Has("XHTTP: Opened File"));
  std::vector<std::string> names;
  os::ListDirectory(folder.Path(), names);
  EXPECT_EQ(names.size(), 1u);  // no scratch file left behind
}

TEST(DownloadTest, AClosedPortFailsQuickly) {
  TempDir folder;
  std::string url = "http://127.0.0.1:" + std::to_string(LoopbackHttpServer::ClosedPort()) + "/x";
  std::string error;
  double seconds = SecondsOf([&] { error = DownloadError(url, folder.File("x"), nullptr); });
  EXPECT_EQ(error, "Error opening URL");
  EXPECT_LT(seconds, 20.0);
  EXPECT_FALSE(os::PathExists(folder.File("x")));
}

TEST(DownloadTest, ASilentServerCannotHoldUpTheStart) {
  LoopbackHttpServer silent(LoopbackHttpServer::Mode::kSilent);
  TempDir folder;
  WriteAll(folder.File("QvVendor.xml"), "kept");
  std::string error;
  double seconds = SecondsOf(
      [&] { error = DownloadError(silent.BaseUrl() + "QvVendor.xml", folder.File("QvVendor.xml"), nullptr); });
  EXPECT_FALSE(error.empty());
  EXPECT_LT(seconds, 20.0);
  EXPECT_EQ(ReadAll(folder.File("QvVendor.xml")), "kept");
}

TEST(DownloadTest, TheUpdateTakesGoodFilesFromTheSiteAndIgnoresBadOnes) {
  LoopbackHttpServer server;
  const std::string sis =
      "<QvSISFile><QvSIS Name=\"FromSite\" ID=\"SITE\" DownloadURL=\"dl/x.exe\" /></QvSISFile>";
  server.Serve("/autoup/QvSIS.xml", sis);
  // A captive portal's page answers 200 but is no vendor list.
  server.Serve("/autoup/QvVendor.xml", "<html><body>Sign in</body></html>");
  TempDir program, product, bridge;
  const std::string vendors = "<QvVendorFile><QvVendor Name=\"Local\" ID=\"L\" /></QvVendorFile>";
  WriteAll(bridge.File("QvVendor.xml"), vendors);
  TestLog log;
  QvFramework framework(&log);
  framework.SetProgramFolder(program.Path());
  framework.SetUpdateUrl(server.BaseUrl() + "autoup");
  framework.LoadFramework(product.Path(), bridge.Path());

  EXPECT_TRUE(log.Has("Looking for " + server.BaseUrl() + "autoup/QvSIS.xml"));
  EXPECT_TRUE(log.Has("Found Internet File!"));
  EXPECT_TRUE(log.Has("Could not contact website.  We'll ignore!"));
  EXPECT_EQ(ReadAll(bridge.File("QvSIS.xml")), sis);
  ASSERT_EQ(framework.SISes().Count(), 1u);
  EXPECT_STREQ(framework.SISes().At(0)->m_name.c_str(), "FromSite");
  EXPECT_STREQ(framework.DownloadUrlOf(*framework.SISes().At(0)).c_str(),
               (std::string(QV_TEST_PRODUCT_WEBSITE) + "dl/x.exe").c_str());
  EXPECT_EQ(ReadAll(bridge.File("QvVendor.xml")), vendors);
  ASSERT_EQ(framework.Vendors().Count(), 1u);
  EXPECT_STREQ(framework.Vendors().At(0)->m_name.c_str(), "Local");
}

TEST(DownloadTest, ADownloadReplacesTheLocalListOnlyWhenCompleteAndHoldingItsRecords) {
  // Whoever answers the plain-HTTP request decides what arrives: a list cut short, one without
  // records, records without names, or one nested 50,000 deep must all leave the local list.
  std::string deep = "<QvSISFile>";
  for (int i = 0; i < 50000; ++i) deep += "<x n=\"n\">";
  for (int i = 0; i < 50000; ++i) deep += "</x>";
  deep += "</QvSISFile>";
  const std::string local = "<QvSISFile><QvSIS Name=\"Local\" ID=\"L\" /></QvSISFile>";
  for (const std::string& answer :
       {std::string("<QvSISFile><QvSIS Name=\"Cut\" ID=\"C\" /><QvS"), std::string("<QvSISFile></QvSISFile>"),
        std::string("<QvSISFile><QvSIS ID=\"NoName\" /></QvSISFile>"), deep}) {
    LoopbackHttpServer server;
    server.Serve("/autoup/QvSIS.xml", answer);
    TempDir program, product, bridge;
    WriteAll(bridge.File("QvSIS.xml"), local);
    TestLog log;
    QvFramework framework(&log);
    framework.SetProgramFolder(program.Path());
    framework.SetUpdateUrl(server.BaseUrl() + "autoup");
    framework.LoadFramework(product.Path(), bridge.Path());
    EXPECT_TRUE(ReadAll(bridge.File("QvSIS.xml")) == local) << answer.substr(0, 60);
    ASSERT_EQ(framework.SISes().Count(), 1u) << answer.substr(0, 60);
    EXPECT_STREQ(framework.SISes().At(0)->m_name.c_str(), "Local");
  }
}

// A school without Internet access sees the update fail at every start: the log says so in the
// described words, then what the system answered, and no line of it begins "Error" (sites
// look for such lines to flag a failed night).
TEST(DownloadTest, AnOfflineStartLogsNoLineThatReadsAsAnError) {
  TempDir program, product, bridge;
  TestLog log;
  QvFramework framework(&log);
  framework.SetProgramFolder(program.Path());
  framework.SetUpdateUrl("http://127.0.0.1:" + std::to_string(LoopbackHttpServer::ClosedPort()) + "/autoup");
  framework.LoadFramework(product.Path(), bridge.Path());
  const int contact = log.IndexOf("Could not contact website.  We'll ignore!");
  ASSERT_GE(contact, 0) << log.All();
  const std::string detail = log.m_lines[static_cast<size_t>(contact) + 1];
  EXPECT_EQ(detail.rfind("Website not reached (", 0), 0u) << detail;
  EXPECT_NE(detail.find("); the copy at hand is used."), std::string::npos) << detail;
  for (const std::string& line : log.m_lines) EXPECT_NE(line.rfind("Error", 0), 0u) << line;
}
