#include "device/logging.h"

Q_LOGGING_CATEGORY(lcFrames, "velmora.frames", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSerial, "velmora.serial", QtInfoMsg)
