#pragma once

#include <QLoggingCategory>

// Frame-level tracing is off unless QT_LOGGING_RULES="velmora.frames.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcFrames)
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
