// Feeds arbitrary bytes, in arbitrary read sizes, to both receivers of the
// serial link, the way the port hands every read to each of them.
//
// Input layout:
//   byte 0      low nibble: how many read-size bytes follow, minus one;
//               bit 4: read sizes count in steps of 16 bytes instead of 1
//   next bytes  read sizes (value + 1, times 16 with bit 4), used in turn
//   the rest    the received stream
//
// SysExFrameCutter is checked against a plain model of the cutting rules (the same
// frames, in order, and the same bytes held back) and against classify();
// TextFrameCutter must emit the same signals whether the stream arrives in
// pieces or in one read.

#include "device/sysexframecutter.h"
#include "device/textframecutter.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr char SysExHead = '\xF0';
constexpr char SysExTail = '\xF7';
constexpr int TextFrameLimit = 255 + 5; // AA CC N, N bytes, 0D 0A

void require(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "velmora-fuzz-receivers: invariant broken: %s\n", what);
        std::abort();
    }
}

struct Input
{
    QVector<int> readSizes;
    QByteArray stream;
};

Input splitInput(const std::uint8_t *data, std::size_t size)
{
    Input input;
    if (size == 0)
        return input;
    const int sizeCount = (data[0] & 0x0F) + 1;
    const int step = (data[0] & 0x10) ? 16 : 1;
    std::size_t at = 1;
    for (int i = 0; i < sizeCount && at < size; ++i, ++at)
        input.readSizes.append((data[at] + 1) * step);
    if (input.readSizes.isEmpty())
        input.readSizes.append(1);
    input.stream = QByteArray(reinterpret_cast<const char *>(data + at), static_cast<int>(size - at));
    return input;
}

// The cutting rules read straight: search from the front, remove from the
// front, drop a head whose tail is further away than the bound (whether or
// not the tail has arrived yet, so that the read sizes cannot matter).
class ReferenceCutter
{
public:
    QVector<QByteArray> feed(const QByteArray &bytes)
    {
        QVector<QByteArray> frames;
        m_buffer.append(bytes);
        while (!m_buffer.isEmpty()) {
            const int head = m_buffer.indexOf(SysExHead);
            if (head < 0) {
                m_buffer.clear();
                break;
            }
            m_buffer.remove(0, head);
            const int tail = m_buffer.indexOf(SysExTail, 1);
            const int following = (tail < 0 ? m_buffer.size() : tail) - 1;
            if (following > SysExFrameCutter::MaxPendingFrameBytes) {
                const int nextHead = m_buffer.indexOf(SysExHead, 1);
                if (nextHead < 0)
                    m_buffer.clear();
                else
                    m_buffer.remove(0, nextHead);
                continue;
            }
            if (tail < 0)
                break;
            frames.append(m_buffer.left(tail + 1));
            m_buffer.remove(0, tail + 1);
        }
        return frames;
    }

    [[nodiscard]] int held() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
};

// Follows frameReceived: each frame the model cut and classify() reports on
// must arrive, whole, once per kind, in the order classify() gives.
class FrameWatcher
{
public:
    void expect(const QVector<QByteArray> &frames)
    {
        for (const QByteArray &frame : frames) {
            if (!SysExFrameCutter::classify(frame).isEmpty())
                m_expectedFrames.append(frame);
        }
    }

    void onFrame(FrameKind kind, const QByteArray &frame)
    {
        require(frame.size() >= 2, "a reported frame has at least a head and a tail");
        require(frame.at(0) == SysExHead, "a reported frame starts with F0");
        require(frame.at(frame.size() - 1) == SysExTail, "a reported frame ends with F7");
        require(frame.indexOf(SysExTail) == frame.size() - 1, "a reported frame holds no F7 before its tail");

        if (m_kindsLeft.isEmpty()) {
            require(!m_expectedFrames.isEmpty(), "no frame is reported that the rules do not cut");
            require(m_expectedFrames.constFirst() == frame, "frames are reported whole and in arrival order");
            m_expectedFrames.removeFirst();
            m_current = frame;
            m_kindsLeft = SysExFrameCutter::classify(frame);
        } else {
            require(frame == m_current, "all reports of one frame come before the next frame");
        }
        require(kind == m_kindsLeft.constFirst(), "reports follow classify(), kind by kind");
        m_kindsLeft.removeFirst();
    }

    void requireSettled() const
    {
        require(m_kindsLeft.isEmpty(), "every kind of a frame is reported within the same read");
        require(m_expectedFrames.isEmpty(), "every complete frame is reported within the read that completes it");
    }

private:
    QVector<QByteArray> m_expectedFrames;
    QVector<FrameKind> m_kindsLeft;
    QByteArray m_current;
};

void checkSysExReceiver(const Input &input)
{
    SysExFrameCutter buffer;
    ReferenceCutter reference;
    FrameWatcher watcher;
    QObject::connect(&buffer, &SysExFrameCutter::frameReceived, [&watcher](FrameKind kind, const QByteArray &frame) {
        watcher.onFrame(kind, frame);
    });

    int position = 0;
    for (int i = 0; position < input.stream.size(); ++i) {
        const int n = qMin(input.readSizes.at(i % input.readSizes.size()), input.stream.size() - position);
        const QByteArray read = input.stream.mid(position, n);
        position += n;

        watcher.expect(reference.feed(read));
        buffer.feed(read);
        watcher.requireSettled();
        require(buffer.pendingBytes() <= SysExFrameCutter::MaxPendingFrameBytes + n + 1,
                "the buffer holds no more than one bounded open frame and the last read");
        require(buffer.pendingBytes() == reference.held(), "the buffer holds back exactly the open frame");
    }
}

// Records TextFrameCutter's signals as text, checking each on the way.
class TextSignalLog
{
public:
    explicit TextSignalLog(TextFrameCutter *cutter)
    {
        QObject::connect(cutter, &TextFrameCutter::modelReceived, [this](const QString &model) {
            require(!model.isEmpty() && model.contains(QLatin1Char('-')), "a model name has the form NAME-123");
            m_entries.append(QLatin1String("model ") + model);
        });
        QObject::connect(cutter, &TextFrameCutter::versionReceived, [this](const QString &version) {
            require(version.startsWith(QLatin1Char('V')) && version.contains(QLatin1Char('.')),
                    "a version has the form V1.2");
            m_entries.append(QLatin1String("version ") + version);
        });
        QObject::connect(cutter, &TextFrameCutter::modelAndVersionReceived, [this](const QString &version, const QString &model) {
            m_entries.append(QLatin1String("mtv ") + version + QLatin1Char(' ') + model);
        });
        QObject::connect(cutter, &TextFrameCutter::eraseFinished, [this](bool erased) {
            require(erased, "the erase report is always positive");
            m_entries.append(QStringLiteral("erase"));
        });
        QObject::connect(cutter, &TextFrameCutter::chunkAcknowledged, [this](int count) {
            require(count >= 1 && count <= 999, "an acknowledged byte count is 1..999");
            m_entries.append(QLatin1String("ack ") + QString::number(count));
        });
        QObject::connect(cutter, &TextFrameCutter::unrecognisedTextFrame, [this](const QByteArray &frame) {
            require(frame.size() >= 5, "a shown frame is a whole text frame");
            require(frame.startsWith("\xAA\xCC"), "a shown frame starts with AA CC");
            require(frame.size() == static_cast<unsigned char>(frame.at(2)) + 5,
                    "a shown frame is as long as its length byte says");
            require(frame.endsWith("\r\n"), "a shown frame ends with 0D 0A");
            m_entries.append(QLatin1String("show ") + QLatin1String(frame.toHex()));
        });
    }

    [[nodiscard]] const QStringList &entries() const { return m_entries; }

private:
    QStringList m_entries;
};

void checkTextReceiver(const Input &input)
{
    TextFrameCutter inReads;
    TextSignalLog readsLog(&inReads);
    int position = 0;
    for (int i = 0; position < input.stream.size(); ++i) {
        const int n = qMin(input.readSizes.at(i % input.readSizes.size()), input.stream.size() - position);
        inReads.feed(input.stream.mid(position, n));
        position += n;
        require(inReads.pendingBytes() <= TextFrameLimit + n, "the text cutter holds at most one frame and the last read");
    }

    TextFrameCutter atOnce;
    TextSignalLog atOnceLog(&atOnce);
    atOnce.feed(input.stream);
    require(readsLog.entries() == atOnceLog.entries(), "text frames do not depend on how the reads were split");
    require(inReads.pendingBytes() == atOnce.pendingBytes(), "the same bytes are held back however the reads were split");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Tracing would format every frame and bury the fuzzer's own output.
    QLoggingCategory::setFilterRules(QStringLiteral("velmora.*.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Input input = splitInput(data, size);
    checkSysExReceiver(input);
    checkTextReceiver(input);
    return 0;
}
