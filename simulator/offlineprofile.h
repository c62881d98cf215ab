#pragma once

#include "simulator/deviceprofile.h"

#include <QString>

#include <optional>

namespace DeviceProfiles {

// The device a file is edited against without hardware: the model's ports as
// the model table knows them, nothing plugged into its USB ports, and the
// given hub count (which decides how many USB HOST ports the pages offer).
// It shows up under the name the model reports on the bus. Nothing for a
// model whose ports the table does not know.
[[nodiscard]] std::optional<DeviceProfile> offline(const QString &model, int hubCount = 0);

} // namespace DeviceProfiles
