// Feeds arbitrary frames to the mapping read-back parser, the one piece of
// mapping code that reads what the device sends.
//
// The input is the frame itself. Checked on every run:
//   - nothing is read beyond the frame: both blocks fit in the bytes between
//     the head and the F7, and the first block never exceeds its declared
//     length;
//   - an accepted read-back names a number 1..16 taken from its number byte,
//     and holds a rule the device holds ("enable");
//   - a rule whose blocks arrived in full reads back unchanged from its own
//     store command, so what the tool would send again is what it received.

#include "mapping/mappingreadback.h"
#include "mapping/mappingrecord.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int HeadBytes = 6 + 11; // F0 00 2F 71 02 04, port mask .. payload length

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "velmora-fuzz-mappingreadback: invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The parser logs every refused frame; at fuzzing speed that is noise.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray frame(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const MappingReadBack readBack = MappingReadBack::parse(frame);
    if (!readBack.isAccepted()) {
        require(readBack.status != MappingReadBack::Status::Accepted, "refused but accepted");
        return 0;
    }

    const MappingRecord &r = readBack.record;
    require(frame.size() >= 20, "accepted a frame shorter than 20 bytes");
    require(readBack.number >= 1 && readBack.number <= 16, "accepted a number outside 1..16");
    require(readBack.number == (r.numberByte & 0x3F), "number not taken from the number byte");
    require(r.enable, "accepted rule without enable");
    require(r.payload.size() <= r.payloadLength, "payload longer than declared");
    require(HeadBytes + r.payload.size() + r.extraData.size() <= frame.size() - 1,
            "blocks read beyond the F7");

    const bool complete = r.payload.size() == r.payloadLength && r.extraDataLength >= 1 && r.extraDataLength <= 30
                       && r.extraData.size() == r.extraDataLength;
    if (complete) {
        const MappingReadBack again = MappingReadBack::parse(r.toStoreCommand());
        require(again.isAccepted(), "own store command refused");
        require(again.record == r, "own store command reads back differently");
    }
    return 0;
}
