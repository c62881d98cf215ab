#include "bench/devicestream.h"

#include "device/sysex.h"

#include <random>

namespace DeviceStream {

namespace {

class Generator
{
public:
    explicit Generator(std::uint32_t seed) : m_random(seed) {}

    QByteArray run(int bytes)
    {
        m_out.reserve(bytes + 128);
        while (m_out.size() < bytes) {
            if (chance(30))
                appendNoise();
            if (chance(1))
                appendUnterminatedHead();
            appendFrame();
        }
        m_out.truncate(bytes);
        return m_out;
    }

private:
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
    bool chance(int percent) { return below(100) < percent; }
    char dataByte() { return static_cast<char>(below(0x80)); }

    QByteArray data(int count)
    {
        QByteArray d(count, Qt::Uninitialized);
        for (char &b : d)
            b = dataByte();
        return d;
    }

    void append(std::uint8_t cls, std::uint8_t code, const QByteArray &payload)
    {
        m_out.append(SysEx::frame(cls, code, payload));
    }

    // Weights follow what a connection and a page refresh bring in: mostly
    // the short acknowledgements and situation reports, some mapping and name
    // read-back, the odd port count or filter table.
    void appendFrame()
    {
        using namespace SysEx;
        const int pick = below(100);
        if (pick < 8) {
            append(DeviceInfo, CodeDeviceType, data(1));                    // 8
        } else if (pick < 10) {
            append(Configuration, CodeHubCount, data(1));                   // 8
        } else if (pick < 22) {
            static const std::uint8_t codes[] = {CodeRoute, CodeSave, CodeFilter,
                                                 CodeMappingDelete, CodeMapping};
            append(Configuration, codes[below(5)], data(2));                // 9
        } else if (pick < 26) {
            append(DeviceInfo, CodeRouteCount, data(2));                    // 9
        } else if (pick < 28) {
            append(DeviceInfo, CodeRouteCount, QByteArray(2, '\0'));        // 9
        } else if (pick < 29) {
            append(System, CodeFactoryReset, QByteArray::fromHex("0101"));  // 9
        } else if (pick < 33) {
            append(DeviceInfo, 0x02, data(4));                              // 11
        } else if (pick < 55) {
            append(Configuration, CodeRoute, data(5));                      // 12
        } else if (pick < 60) {
            append(Configuration, CodeFilter, data(6));                     // 13
        } else if (pick < 70) {
            append(Configuration, CodeFilter, data(29));                    // 36
        } else if (pick < 88) {
            append(Configuration, CodeMapping, data(14 + below(61)));       // 21..81
        } else {
            // Port name read-back: port type, port number, then the name.
            QByteArray payload = data(2);
            const int nameLength = 1 + below(16);
            for (int i = 0; i < nameLength; ++i)
                payload.append(static_cast<char>('A' + below(26)));
            append(Configuration, CodePortName, payload);
        }
    }

    // Anything but a head; stray tails included, since a reconnect mid-frame
    // leaves them behind.
    void appendNoise()
    {
        const int count = 1 + below(16);
        for (int i = 0; i < count; ++i) {
            char b = chance(10) ? static_cast<char>(SysEx::End) : static_cast<char>(below(256));
            if (b == static_cast<char>(SysEx::Start))
                b = 0x00;
            m_out.append(b);
        }
    }

    // A frame whose tail was lost: it runs into the next frame, and the pair
    // is cut as one. Kept short so that no receive bound is involved.
    void appendUnterminatedHead()
    {
        m_out.append(static_cast<char>(SysEx::Start));
        m_out.append(data(1 + below(32)));
    }

    std::mt19937 m_random;
    QByteArray m_out;
};

} // namespace

QByteArray generate(int bytes, std::uint32_t seed)
{
    return Generator(seed).run(bytes);
}

QVector<int> readSizes(int bytes, int maxChunk, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> size(1, maxChunk);
    QVector<int> sizes;
    sizes.reserve(bytes / (maxChunk / 2) + 16);
    for (int covered = 0; covered < bytes;) {
        sizes.append(size(random));
        covered += sizes.constLast();
    }
    return sizes;
}

} // namespace DeviceStream
