#include "mapping/mappinglogging.h"

Q_LOGGING_CATEGORY(lcMapping, "velmora.mapping", QtInfoMsg)
