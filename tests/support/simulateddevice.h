#pragma once

// Shared by the end-to-end tests: a simulated device on a real
// pseudo-terminal, listed like a USB device by this process's device watchers.
#include "simulator/deviceprofile.h"
#include "simulator/simulateddeviceport.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace TestSupport {

// Starts the model's simulated device; a hubCount of 0..255 replaces the
// profile's own, usbNames (host ports first, empty: free) replace what is
// plugged into its USB ports. Null when the model is unknown or no terminal
// is free.
inline std::unique_ptr<SimulatedDevicePort> startDevice(const QString &model, int hubCount = -1,
                                                        const QStringList &usbNames = {})
{
    auto profile = DeviceProfiles::find(model);
    if (!profile)
        return nullptr;
    if (hubCount >= 0)
        profile->hubCount = static_cast<quint8>(hubCount);
    if (!usbNames.isEmpty())
        profile->usbDeviceNames = usbNames;
    auto port = std::make_unique<SimulatedDevicePort>(*profile);
    if (!port->start())
        return nullptr;
    return port;
}

} // namespace TestSupport
