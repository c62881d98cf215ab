#include "configfile/configlogging.h"

Q_LOGGING_CATEGORY(lcConfigFile, "velmora.configfile")
