#pragma once

// Shared by the end-to-end tests: a simulated device on a real
// pseudo-terminal, announced in the test's registry like a USB device.
#include "simulator/deviceprofile.h"
#include "simulator/simulateddeviceport.h"

#include <QString>

#include <memory>

namespace TestSupport {

// Starts the model's simulated device; a hubCount of 0..255 replaces the
// profile's own. Null when the model is unknown or no terminal is free.
inline std::unique_ptr<SimulatedDevicePort> startDevice(const QString &model, int hubCount = -1)
{
    auto profile = DeviceProfiles::find(model);
    if (!profile)
        return nullptr;
    if (hubCount >= 0)
        profile->hubCount = static_cast<quint8>(hubCount);
    auto port = std::make_unique<SimulatedDevicePort>(*profile);
    if (!port->start())
        return nullptr;
    return port;
}

} // namespace TestSupport
