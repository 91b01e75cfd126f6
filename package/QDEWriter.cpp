#include "package/QDEWriter.h"
