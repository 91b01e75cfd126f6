// The measuring helpers of the benchmarks: a wrong statement list or a wrong accounting of a
// child would make every figure they print wrong without failing.
#include <gtest/gtest.h>

#include <string>

#include "bench/Medians.h"
#include "bench/Process.h"
#include "bench/StatementLog.h"
#include "bench/SyscallSummary.h"
#include "testsupport/TempDir.h"

namespace {

using testsupport::TempDir;

TEST(StatementLogTest, TakesTheLineAfterRunningQueryWithOrWithoutTimePrefix) {
  TempDir dir;
  testsupport::WriteAll(dir.File("log.txt"),
                        "Begin Extract\r\n"
                        "08/12/2026|10:11:12 Running Query\r\n"
                        "08/12/2026|10:11:12 SELECT a, b FROM Student WHERE x = 'Running Query'\r\n"
                        "Running Query\r\n"
                        "select * from Absence WHERE d >= '2025-01-01'\r\n"
                        "08/12/2026|10:11:13 Table Exists query: SELECT * FROM Student WHERE 0=1\r\n"
                        "Field Exists query: SELECT \"Nick\" FROM Student WHERE 0=1\r\n"
                        "Running Query\r\n"
                        "SELECT * FROM Personnel\r\n"
                        "Running Query\r\n");  // the last line names no statement
  bench::Statements statements;
  std::string error;
  ASSERT_TRUE(bench::ReadStatements(dir.File("log.txt"), statements, error)) << error;
  ASSERT_EQ(statements.select.size(), 3u);
  EXPECT_EQ(statements.select[0], "SELECT a, b FROM Student WHERE x = 'Running Query'");
  EXPECT_EQ(statements.select[1], "select * from Absence WHERE d >= '2025-01-01'");
  EXPECT_EQ(statements.select[2], "SELECT * FROM Personnel LIMIT 1");
  EXPECT_EQ(statements.dumps, 1);
  EXPECT_EQ(statements.probes, 2);
}

TEST(StatementLogTest, RefusesWhatIsNotASelectAndAMissingLog) {
  TempDir dir;
  testsupport::WriteAll(dir.File("log.txt"), "Running Query\r\nDELETE FROM Student\r\n");
  bench::Statements statements;
  std::string error;
  EXPECT_FALSE(bench::ReadStatements(dir.File("log.txt"), statements, error));
  EXPECT_NE(error.find("DELETE FROM Student"), std::string::npos) << error;
  EXPECT_FALSE(bench::ReadStatements(dir.File("missing.txt"), statements, error));
}

TEST(StatementLogTest, OnlyABareTableDumpIsCutToOneRecord) {
  EXPECT_TRUE(bench::IsTableDump("SELECT * FROM Student_2"));
  EXPECT_FALSE(bench::IsTableDump("SELECT * FROM "));
  EXPECT_FALSE(bench::IsTableDump("SELECT * FROM Student WHERE 1=1"));
  EXPECT_FALSE(bench::IsTableDump("SELECT * FROM \"Student\""));
  EXPECT_EQ(bench::WithoutTimePrefix("31/12/2026|23:59:59 Done"), "Done");
  EXPECT_EQ(bench::WithoutTimePrefix("31-12-2026|23:59:59 Done"), "31-12-2026|23:59:59 Done");
  EXPECT_EQ(bench::WithoutTimePrefix("Done"), "Done");
}

TEST(MediansTest, MiddleValueOrMeanOfTheTwoMiddleOnes) {
  EXPECT_EQ(bench::Median({}), 0);
  EXPECT_EQ(bench::Median({5, 1, 3}), 3);
  EXPECT_EQ(bench::Median({4, 1, 3, 100}), 3.5);
  bench::Measured a, b, c;
  a.seconds = 1, a.cpuSeconds = 9, a.peakKb = 10;
  b.seconds = 7, b.cpuSeconds = 2, b.peakKb = 30;
  c.seconds = 3, c.cpuSeconds = 4, c.peakKb = 20;
  const bench::Figures f = bench::MediansOf({a, b, c});
  // Each measure on its own: no round's figures are taken together.
  EXPECT_EQ(f.seconds, 3);
  EXPECT_EQ(f.cpuSeconds, 4);
  EXPECT_EQ(f.peakKb, 20);
  EXPECT_EQ(f.rounds, 3);
}

TEST(SyscallSummaryTest, CountsTheNamedCallOnlyWithOrWithoutErrors) {
  const std::string summary =
      "% time     seconds  usecs/call     calls    errors syscall\n"
      "------ ----------- ----------- --------- --------- ----------------\n"
      " 80.00    0.000080          10         8           fsync\n"
      " 20.00    0.000020          10         2         1 fdatasync\n"
      "------ ----------- ----------- --------- --------- ----------------\n"
      "100.00    0.000100          10        10         1 total\n";
  EXPECT_EQ(bench::CallsOf(summary, "fsync"), 8);
  EXPECT_EQ(bench::CallsOf(summary, "fdatasync"), 2);
  EXPECT_EQ(bench::CallsOf(summary, "sync_file_range"), 0);
  EXPECT_EQ(bench::CallsOf(summary, "total"), 10);
  EXPECT_EQ(bench::CallsOf("", "fsync"), 0);
}

bench::Launch Shell(const std::string& script) {
  bench::Launch launch;
  launch.argv = {"/bin/sh", "-c", script};
  return launch;
}

TEST(ProcessTest, ExitStatusesAndStartFailuresAreFailures) {
  const bench::Measured good = bench::Run(Shell("exit 0"));
  EXPECT_TRUE(good.ok) << good.error;
  const bench::Measured bad = bench::Run(Shell("exit 3"));
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.error.find("exit status 3"), std::string::npos) << bad.error;
  bench::Launch missing;
  missing.argv = {"/nonexistent/program"};
  EXPECT_FALSE(bench::Run(missing).ok);
  const bench::Measured killed = bench::Run(Shell("kill -9 $$"));
  EXPECT_NE(killed.error.find("signal 9"), std::string::npos) << killed.error;
}

TEST(ProcessTest, TheChildsEnvironmentStreamsCpuAndPeakAreItsOwn) {
  TempDir dir;
  bench::Launch launch = Shell(
      // About 48 MiB held in a shell variable, then a busy loop.
      "x=$(head -c 50000000 /dev/zero | tr '\\0' a); i=0; while [ $i -lt 300000 ]; do i=$((i+1)); done; "
      "echo \"$QV_BENCH_TEST ${#x}\"");
  launch.env = {"QV_BENCH_TEST=seen"};
  launch.out = dir.File("out.txt");
  const bench::Measured m = bench::Run(launch);
  ASSERT_TRUE(m.ok) << m.error;
  EXPECT_EQ(testsupport::ReadAll(dir.File("out.txt")), "seen 50000000\n");
  EXPECT_GE(m.peakKb, 48 * 1024);
  EXPECT_GT(m.cpuSeconds, 0.05);
  EXPECT_GE(m.seconds, m.cpuSeconds * 0.5);
}

TEST(ProcessTest, ATreeCountsWhatItsProgramLeftRunningUntilStopped) {
  TempDir dir;
  bench::BecomeSubreaper();
  const std::string pid = dir.File("pid"), done = dir.File("done");
  // The program exits at once; the process it leaves works, then waits to be stopped.
  bench::Launch launch = Shell("(i=0; while [ $i -lt 300000 ]; do i=$((i+1)); done; : > '" + done +
                              "'; exec sleep 60) & echo $! > '" + pid + "'");
  bench::Launch stop = Shell("while [ ! -e '" + done + "' ]; do sleep 0.05; done; kill $(cat '" + pid + "')");
  const bench::Measured alone = bench::Run(Shell("exit 0"));
  const bench::Measured tree = bench::RunTree(launch, stop);
  EXPECT_TRUE(tree.ok) << tree.error;
  EXPECT_GT(tree.cpuSeconds, alone.cpuSeconds + 0.05);
  EXPECT_LT(tree.seconds, 30);  // the wall time ended with the program, not the sleeper
}

}  // namespace
