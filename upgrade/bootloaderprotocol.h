#pragma once

#include <QByteArray>
#include <QString>

// The bootloader's side of the text protocol: the image goes out raw, in
// pieces of PieceSize bytes, each answered with the number of bytes taken.
namespace BootloaderProtocol {

constexpr int PieceSize = 64;

// Whether an acknowledgement of ackBytes accepts the piece in flight of
// pieceBytes: exactly its size, or, for the last piece, at least its size
// (bootloaders that round the tail up to a flash page report more).
[[nodiscard]] constexpr bool acceptsAck(int ackBytes, int pieceBytes, bool lastPiece)
{
    return ackBytes == pieceBytes || (lastPiece && ackBytes >= pieceBytes);
}

// Progress shown after acknowledged bytes of total: rounded half up, and
// never 100 before success has been declared.
[[nodiscard]] constexpr int progressPercent(quint64 acknowledged, quint64 total)
{
    if (total == 0)
        return 0;
    const quint64 percent = (acknowledged * 200 + total) / (2 * total);
    return percent > 99 ? 99 : static_cast<int>(percent);
}

} // namespace BootloaderProtocol
