#pragma once

#include <QMetaType>

// Classification of a System Exclusive frame received from the device. The
// values are stable: they appear in logs.
enum Feedbacktype {
    FEED_BACK_DEVICE_TYPE = 0,
    FEED_BACK_PORT_COUNT = 1,
    FEED_BACK_PORT_ROUTIN_SITUATION = 2,
    FEED_BACK_PORT_FILTERING_COUNT = 3,
    FEED_BACK_PORT_FILTERING_SITUATION = 4,
    FEED_BACK_PORT_ROUTIN_CONFIGURATION = 5,
    FEED_BACK_ROUTING_CONFIGURATION = 6,
    FEED_BACK_PORT_FILTERING = 7,
    FEED_BACK_PORT_ROUNTCOUNT = 8,
    FEED_BACK_PORT_ROUNTMAPPING = 9,
    FEED_BACK_PORT_MAPPINGCONFRESULT = 10, // reserved, never produced
    SETMAPPINGCONFRESULT = 11,             // reserved, never produced
    FEED_BACK_ERROR = 12,
    // 13 has no member and is never produced.
    FEED_BACK_PORT_NAME = 14,
    FEED_BACK_DEL = 15,
    FEED_DTAT_ERROE = 16,
    FEED_FCTORY = 17,
    FEED_HAZEL = 18,
};

Q_DECLARE_METATYPE(Feedbacktype)

[[nodiscard]] const char *feedbackTypeName(Feedbacktype type);
