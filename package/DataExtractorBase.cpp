#include "package/DataExtractorBase.h"
