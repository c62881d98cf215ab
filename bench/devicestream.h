#pragma once

#include <QByteArray>
#include <QVector>

#include <cstdint>

// Synthetic receive traffic: the feedback a router sends while the window
// reads its configuration, with the line noise a real port delivers between
// frames. Deterministic for a given seed, so two parsers see the same bytes.
namespace DeviceStream {

[[nodiscard]] QByteArray generate(int bytes, std::uint32_t seed);

// Read sizes as the serial port hands them over, 1..maxChunk bytes each,
// covering at least `bytes`.
[[nodiscard]] QVector<int> readSizes(int bytes, int maxChunk, std::uint32_t seed);

} // namespace DeviceStream
