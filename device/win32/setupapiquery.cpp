#include "device/win32/setupapiquery.h"

#include "device/win32/instanceid.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cfgmgr32.h>
#include <devpropdef.h>
#include <setupapi.h>

namespace {

// DEVPKEY_Device_BusReportedDeviceDesc, spelled out so that no GUID has to be
// instantiated through initguid.h in this translation unit.
const DEVPROPKEY BusReportedDeviceDesc = {
    {0x540B947E, 0x8B40, 0x45BC, {0xA8, 0xA2, 0x6A, 0x0B, 0x89, 0x4C, 0xBD, 0xA2}}, 4};

// Buffer size the description is read into, in bytes.
constexpr DWORD DescriptionBufferBytes = 2048;
constexpr ULONG InstanceIdChars = 260;

using GetDevicePropertyW = BOOL(WINAPI *)(HDEVINFO, PSP_DEVINFO_DATA, const DEVPROPKEY *,
                                           DEVPROPTYPE *, PBYTE, DWORD, PDWORD, DWORD);

// The property ends at its terminating null, or at the end of the bytes read.
std::wstring descriptionFrom(const BYTE *buffer, DWORD bytes)
{
    const wchar_t *text = reinterpret_cast<const wchar_t *>(buffer);
    const size_t maxChars = bytes / sizeof(wchar_t);
    size_t length = 0;
    while (length < maxChars && text[length] != L'\0')
        ++length;
    return std::wstring(text, length);
}

} // namespace

namespace SetupApiQuery {

std::vector<UsbDescription> busReportedDescriptions(const std::wstring &enumerator,
                                                    const std::wstring &descriptionPrefix)
{
    std::vector<UsbDescription> result;

    // The property reader is looked up by name: it is missing from older
    // setup API versions, and the program must still start there.
    HMODULE setupApi = GetModuleHandleW(L"Setupapi.dll");
    if (!setupApi)
        return result;
    const auto getProperty = reinterpret_cast<GetDevicePropertyW>(
        reinterpret_cast<void *>(GetProcAddress(setupApi, "SetupDiGetDevicePropertyW")));
    if (!getProperty)
        return result;

    HDEVINFO devices = SetupDiGetClassDevsW(nullptr, enumerator.c_str(), nullptr,
                                            DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (devices == INVALID_HANDLE_VALUE)
        return result;

    SP_DEVINFO_DATA info;
    info.cbSize = sizeof(info);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &info); ++index) {
        wchar_t instanceId[InstanceIdChars + 1] = {};
        if (CM_Get_Device_IDW(info.DevInst, instanceId, InstanceIdChars, 0) != CR_SUCCESS)
            continue;

        BYTE buffer[DescriptionBufferBytes] = {};
        DEVPROPTYPE type = 0;
        DWORD required = 0;
        if (!getProperty(devices, &info, &BusReportedDeviceDesc, &type, buffer,
                         sizeof(buffer), &required, 0)
            || type != DEVPROP_TYPE_STRING)
            continue;
        const DWORD filled = required < sizeof(buffer) ? required : sizeof(buffer);
        const std::wstring description = descriptionFrom(buffer, filled);
        if (description.compare(0, descriptionPrefix.size(), descriptionPrefix) != 0)
            continue;

        UsbDescription device;
        if (!parseInstanceId(instanceId, &device.vendorId, &device.productId))
            continue;
        device.description = description;
        result.push_back(device);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return result;
}

} // namespace SetupApiQuery
