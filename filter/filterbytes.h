#pragma once

#include <QtGlobal>

#include <array>

namespace Filter {

// One port's filter as the device and the configuration file hold it: 25
// values in wire order, a set bit meaning "drop this traffic". They are kept
// as plain ints because a configuration file may carry any number there; the
// page and the set command decide what an out-of-range value means.
constexpr int ByteCount = 25;
using Bytes = std::array<qint32, ByteCount>;

} // namespace Filter
