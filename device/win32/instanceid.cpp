#include "device/win32/instanceid.h"

namespace {

bool parseHexToken(const std::wstring &token, unsigned short *value)
{
    // Up to four hex digits after "VID_" or "PID_"; a longer number is no id.
    if (token.size() <= 4 || token.size() > 8)
        return false;
    unsigned long result = 0;
    for (size_t i = 4; i < token.size(); ++i) {
        const wchar_t c = token[i];
        unsigned digit = 0;
        if (c >= L'0' && c <= L'9')
            digit = static_cast<unsigned>(c - L'0');
        else if (c >= L'a' && c <= L'f')
            digit = static_cast<unsigned>(c - L'a' + 10);
        else if (c >= L'A' && c <= L'F')
            digit = static_cast<unsigned>(c - L'A' + 10);
        else
            return false;
        result = result * 16 + digit;
    }
    *value = static_cast<unsigned short>(result);
    return true;
}

} // namespace

namespace SetupApiQuery {

bool parseInstanceId(const std::wstring &instanceId, unsigned short *vendorId,
                     unsigned short *productId)
{
    bool haveVendor = false;
    bool haveProduct = false;
    size_t start = 0;
    while (start <= instanceId.size()) {
        size_t end = instanceId.find_first_of(L"\\#&", start);
        if (end == std::wstring::npos)
            end = instanceId.size();
        const std::wstring token = instanceId.substr(start, end - start);
        if (!haveVendor && token.compare(0, 4, L"VID_") == 0)
            haveVendor = parseHexToken(token, vendorId);
        else if (!haveProduct && token.compare(0, 4, L"PID_") == 0)
            haveProduct = parseHexToken(token, productId);
        start = end + 1;
    }
    return haveVendor && haveProduct;
}

} // namespace SetupApiQuery
