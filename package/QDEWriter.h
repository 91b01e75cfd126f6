// The package writer layer of the extraction engine.
#pragma once

#include "package/DataExtractorBase.h"

class QDEWriter : public DataExtractorBase {
 public:
  QDEWriter() = default;
  ~QDEWriter() override = default;
};
