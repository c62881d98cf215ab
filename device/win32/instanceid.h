#pragma once

// Plain C++ (no Windows or Qt headers): shared by the setup-API query and
// its tests on any platform.

#include <string>

namespace SetupApiQuery {

// Splits an instance ID such as "USB\VID_0483&PID_5740\6&2B3F" at "\", "#"
// and "&" and reads the VID_ and PID_ tokens (hex after the four-character
// prefix); false unless both are found and readable.
bool parseInstanceId(const std::wstring &instanceId, unsigned short *vendorId,
                     unsigned short *productId);

} // namespace SetupApiQuery
