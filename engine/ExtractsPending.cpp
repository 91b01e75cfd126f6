// The extracts whose source files are not written yet. Each throws, so that a run reaching
// one fails loudly instead of producing an incomplete package. When an extract is written in
// its own file (ExtractTerms.cpp, ...), its definition here is deleted.
#include "engine/ExpEngine.h"

#include "foundation/XException.h"

namespace {

[[noreturn]] void NotBuilt(const char* extract) {
  throw XException(XString(extract) + " not built yet");
}

}  // namespace

void ExpEngine::ExtractSections() { NotBuilt("ExtractSections"); }
void ExpEngine::ExtractStudentSchedules() { NotBuilt("ExtractStudentSchedules"); }
void ExpEngine::ExtractGrades() { NotBuilt("ExtractGrades"); }
void ExpEngine::ExtractConductIncidents() { NotBuilt("ExtractConductIncidents"); }
void ExpEngine::ExtractConductOutcomes() { NotBuilt("ExtractConductOutcomes"); }
void ExpEngine::ExtractConductSuspensions() { NotBuilt("ExtractConductSuspensions"); }
void ExpEngine::ExtractConductCommunications() { NotBuilt("ExtractConductCommunications"); }
