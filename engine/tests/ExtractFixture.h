// The engine as the extract tests drive it, and the fixture they share: a fresh engine writing
// into a temporary import folder at a fixed time (2009-03-02 09:30), both logs captured.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "TinyExpectations.h"
#include "engine/ExpEngine.h"
#include "testsupport/TempDir.h"

namespace enginetest {

// Opens the steps of the driver that a run takes around its extracts to the tests (one class
// for the whole test program).
class TestEngine : public ExpEngine {
 public:
  using ExpEngine::ConnectToSIS;
  using ExpEngine::EndRun;
  using ExpEngine::StartRun;
  using ExpEngine::StoreConnectionSettings;
};

class ExtractFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // What a run does before its extracts: connect, take the school year of today and build the
  // included students.
  void Open(const char* dsn, int32_t inactiveCutoff = -1);

  bool Exists(const std::string& name) const;
  Lines File(const std::string& name) const;
  // The package header file: written once, after the extracts of a test.
  const Lines& Header();
  // The entry of a table in the package header file: description, field names, include line
  // and terminator; empty when the table has none.
  Lines HeaderEntry(const std::string& description);

  CaptureLog log;
  TestEngine engine;
  testsupport::TempDir folder;
  Lines header;
};

}  // namespace enginetest
