#pragma once

// Plain Win32: no Qt here, so that the query can be compiled and checked on
// its own with a cross compiler.

#include <string>
#include <vector>

namespace SetupApiQuery {

struct UsbDescription
{
    unsigned short vendorId = 0;
    unsigned short productId = 0;
    std::wstring description; // bus-reported device description
};

// Present devices of all classes under the enumerator (normally L"USB"), in
// enumeration order, whose bus-reported description begins with the prefix
// (case-sensitive). Devices whose instance ID carries no readable VID_ and
// PID_ are left out. Empty when the setup API is not loaded.
std::vector<UsbDescription> busReportedDescriptions(const std::wstring &enumerator,
                                                    const std::wstring &descriptionPrefix);

} // namespace SetupApiQuery
