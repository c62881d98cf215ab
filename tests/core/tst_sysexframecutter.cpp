#include "device/sysexframecutter.h"
#include "device/sysex.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

using Kinds = QVector<FrameKind>;

struct Received
{
    FrameKind kind;
    QByteArray frame;
    bool operator==(const Received &o) const { return kind == o.kind && frame == o.frame; }
};

class Recorder : public QObject
{
public:
    explicit Recorder(SysExFrameCutter *buffer)
    {
        connect(buffer, &SysExFrameCutter::frameReceived, this,
                [this](FrameKind kind, const QByteArray &frame) { got.append({kind, frame}); });
    }
    Kinds kinds() const
    {
        Kinds k;
        for (const auto &r : got)
            k.append(r.kind);
        return k;
    }
    QVector<Received> got;
};

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

// A frame of the given total length with class and code, data filled with 0x01.
QByteArray frameOfLength(int length, quint8 d4, quint8 d5)
{
    return SysEx::frame(d4, d5, QByteArray(length - 7, '\x01'));
}

// A USB name report for slot 1: 10 bytes plus one per character.
QByteArray nameFrame(const QByteArray &name)
{
    return SysEx::frame(0x02, 0x06, QByteArray("\x00\x01", 2) + char(name.size()) + name);
}

} // namespace

Q_DECLARE_METATYPE(Kinds)

class TestSysExFrameCutter : public QObject
{
    Q_OBJECT

private slots:
    void classifiesEveryRule_data();
    void classifiesEveryRule();
    void deliversTwoFramesOfOneChunkInOrder();
    void deliversSplitFrameOnceAfterSecondChunk();
    void dropsNoiseBeforeHead();
    void holdsUnterminatedFrameUntilF7();
    void boundsMemoryUnderUnterminatedNoise_data();
    void boundsMemoryUnderUnterminatedNoise();
    void recordedSessionGivesSameFramesWhateverTheChunks();
    void handlerThatClearsStopsDelivery();
    void handlerThatFeedsMoreBytesKeepsOrder();
};

void TestSysExFrameCutter::classifiesEveryRule_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Kinds>("kinds");

    QTest::newRow("device type") << hex("f0002f71010101f7") << Kinds{FrameKind::DeviceType};
    QTest::newRow("hub count") << hex("f0002f71020703f7") << Kinds{FrameKind::HubCount};
    QTest::newRow("8 bytes, other code") << hex("f0002f71010201f7") << Kinds{};
    QTest::newRow("name of 8 bytes") << hex("f0002f71020601f7") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("empty mapping report") << hex("f0002f7101060000f7") << Kinds{FrameKind::MappingReport};
    QTest::newRow("route answer") << hex("f0002f7102010100f7") << Kinds{FrameKind::RouteAnswer};
    QTest::newRow("save answer") << hex("f0002f7102020000f7") << Kinds{FrameKind::SaveAnswer};
    QTest::newRow("filter answer") << hex("f0002f7102030000f7") << Kinds{FrameKind::FilterAnswer};
    QTest::newRow("route count") << hex("f0002f7101060100f7") << Kinds{FrameKind::RouteCount};
    QTest::newRow("route count 00 01") << hex("f0002f7101060001f7") << Kinds{FrameKind::RouteCount};
    QTest::newRow("delete answer") << hex("f0002f7102050000f7") << Kinds{FrameKind::MappingDeleteAnswer};
    QTest::newRow("store data error") << hex("f0002f7102040003f7") << Kinds{FrameKind::MappingStoreAnswer};
    QTest::newRow("factory reset") << hex("f0002f7103010101f7") << Kinds{FrameKind::FactoryReset};
    QTest::newRow("9 bytes, 03 01 01 00") << hex("f0002f7103010100f7") << Kinds{};
    QTest::newRow("9-byte name") << hex("f0002f7102060101f7") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("port count") << hex("f0002f710102040402 01f7") << Kinds{FrameKind::PortCounts};
    QTest::newRow("11 bytes with d5 06: name only") << hex("f0002f710206000101 31f7")
                                                     << Kinds{FrameKind::UsbPortName};
    QTest::newRow("route situation") << frameOfLength(12, 0x01, 0x05) << Kinds{FrameKind::RouteReport};
    QTest::newRow("filter count") << frameOfLength(13, 0x01, 0x04) << Kinds{FrameKind::FilterPortCounts};
    QTest::newRow("filter state") << frameOfLength(36, 0x02, 0x03) << Kinds{FrameKind::FilterReport};
    QTest::newRow("name of 14 bytes") << frameOfLength(14, 0x02, 0x06)
                                      << Kinds{FrameKind::UnexpectedLength, FrameKind::UsbPortName};
    QTest::newRow("mapping of 21") << frameOfLength(21, 0x02, 0x04)
                                   << Kinds{FrameKind::UnexpectedLength, FrameKind::MappingReport};
    QTest::newRow("mapping of 81") << frameOfLength(81, 0x02, 0x04)
                                   << Kinds{FrameKind::UnexpectedLength, FrameKind::MappingReport};
    // A name or a stored rule whose length is that of another report is not
    // taken for that report.
    QTest::newRow("mapping of 36 is no filter state") << frameOfLength(36, 0x02, 0x04)
                                                      << Kinds{FrameKind::MappingReport};
    QTest::newRow("name of 1 char") << nameFrame("A") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("name of 2 chars is no route") << nameFrame("K2") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("name of 3 chars is no filter count") << nameFrame("Pad") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("name of 26 chars is no filter state")
        << nameFrame("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << Kinds{FrameKind::UsbPortName};
    QTest::newRow("name of 30 chars") << nameFrame("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123")
                                      << Kinds{FrameKind::UnexpectedLength, FrameKind::UsbPortName};
    QTest::newRow("11-byte 02 04 is no port count") << frameOfLength(11, 0x02, 0x04) << Kinds{};
    QTest::newRow("12-byte 02 04 is no route") << frameOfLength(12, 0x02, 0x04) << Kinds{};
    QTest::newRow("13-byte 02 04 is no filter count") << frameOfLength(13, 0x02, 0x04) << Kinds{};
    QTest::newRow("12-byte 01 06 is still a route") << frameOfLength(12, 0x01, 0x06)
                                                    << Kinds{FrameKind::RouteReport};
    QTest::newRow("36-byte 02 05 is still a filter state") << frameOfLength(36, 0x02, 0x05)
                                                           << Kinds{FrameKind::FilterReport};
    QTest::newRow("mapping of 20 is too short") << frameOfLength(20, 0x02, 0x04) << Kinds{FrameKind::UnexpectedLength};
    QTest::newRow("mapping of 82 is too long") << frameOfLength(82, 0x02, 0x04) << Kinds{FrameKind::UnexpectedLength};
    QTest::newRow("bare F0 F7") << hex("f0f7") << Kinds{FrameKind::UnexpectedLength};
    QTest::newRow("6 bytes") << hex("f0002f710206f7") << Kinds{FrameKind::UnexpectedLength, FrameKind::UsbPortName};
}

void TestSysExFrameCutter::classifiesEveryRule()
{
    QFETCH(QByteArray, frame);
    QFETCH(Kinds, kinds);
    QCOMPARE(SysExFrameCutter::classify(frame), kinds);

    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    buffer.feed(frame);
    QCOMPARE(rec.kinds(), kinds);
    for (const auto &r : rec.got)
        QCOMPARE(r.frame, frame);
    QCOMPARE(buffer.pendingBytes(), 0);
}

void TestSysExFrameCutter::deliversTwoFramesOfOneChunkInOrder()
{
    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    buffer.feed(hex("f0002f71010101f7f0002f7103010101f7"));
    QCOMPARE(rec.kinds(), (Kinds{FrameKind::DeviceType, FrameKind::FactoryReset}));
}

void TestSysExFrameCutter::deliversSplitFrameOnceAfterSecondChunk()
{
    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    buffer.feed(hex("f0002f7103"));
    QVERIFY(rec.got.isEmpty());
    QCOMPARE(buffer.pendingBytes(), 5);
    buffer.feed(hex("010101f7"));
    QCOMPARE(rec.kinds(), Kinds{FrameKind::FactoryReset});
    QCOMPARE(rec.got.first().frame, hex("f0002f7103010101f7"));
    QCOMPARE(buffer.pendingBytes(), 0);
}

void TestSysExFrameCutter::dropsNoiseBeforeHead()
{
    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    buffer.feed(hex("1234f0002f7103010101f7"));
    QCOMPARE(rec.kinds(), Kinds{FrameKind::FactoryReset});
    QCOMPARE(rec.got.first().frame, hex("f0002f7103010101f7"));

    // Bytes with no F0 at all are simply gone.
    buffer.feed(hex("f7f7aacc0102"));
    QCOMPARE(rec.got.size(), 1);
    QCOMPARE(buffer.pendingBytes(), 0);
}

void TestSysExFrameCutter::holdsUnterminatedFrameUntilF7()
{
    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    // An F0 inside a pending frame does not restart it: everything up to the
    // first F7 is one frame, as the device's own framing has it.
    buffer.feed(hex("f0002f7101f0"));
    buffer.feed(QByteArray(100, '\x10'));
    QVERIFY(rec.got.isEmpty());
    buffer.feed(hex("f7"));
    QCOMPARE(rec.got.size(), 1);
    QCOMPARE(rec.got.first().frame.size(), 107);
    QCOMPARE(rec.got.first().kind, FrameKind::UnexpectedLength);
}

void TestSysExFrameCutter::boundsMemoryUnderUnterminatedNoise_data()
{
    QTest::addColumn<int>("chunk");
    QTest::newRow("byte by byte") << 1;
    QTest::newRow("reads of 64") << 64;
    QTest::newRow("one big read") << 30000;
}

void TestSysExFrameCutter::boundsMemoryUnderUnterminatedNoise()
{
    QFETCH(int, chunk);
    SysExFrameCutter buffer;
    Recorder rec(&buffer);
    // An F0 that no F7 follows, then a long run of noise, then a good frame:
    // the buffer stays bounded and the good frame still arrives.
    QByteArray stream = hex("f0002f71");
    stream.append(QByteArray(20000, '\x11'));
    stream.append(hex("f0002f7103010101f7"));
    int maxPending = 0;
    for (int i = 0; i < stream.size(); i += chunk) {
        buffer.feed(stream.mid(i, chunk));
        maxPending = qMax(maxPending, buffer.pendingBytes());
    }
    QVERIFY2(maxPending <= SysExFrameCutter::MaxPendingFrameBytes + 1 + chunk,
             qPrintable(QString::number(maxPending)));
    QCOMPARE(rec.kinds(), Kinds{FrameKind::FactoryReset});

    // Noise with a second F0 inside: the drop goes to that F0, which then
    // starts the next frame.
    QByteArray second = hex("f0");
    second.append(QByteArray(5000, '\x22'));
    second.append(hex("f0002f71010101f7"));
    buffer.feed(second);
    QCOMPARE(rec.kinds(), (Kinds{FrameKind::FactoryReset, FrameKind::DeviceType}));
}

void TestSysExFrameCutter::recordedSessionGivesSameFramesWhateverTheChunks()
{
    // What a device sends after the connection queries, with stray bytes.
    const QByteArray session = hex(
        "f0002f71010101f7"                         // device type
        "f0002f7101020202 0101f7"                  // port counts
        "0d0a"                                     // noise
        "f0002f710105 00010001 01f7"               // route situation
        "f0002f7101040202010100 00f7"              // filter counts
        "f0002f71020601010131f7"                   // name "1"
        "f0002f710206 0102 05 4b6579627df7"        // name "Keyb}"
        "f0002f71020703f7"                         // hub count
        "f0002f7101060000f7"                       // empty mapping report
        "f0002f7102040000000000410911010305900 07f007f0c0202010000 03c1007ff7"
        "f0002f7103010101f7");
    SysExFrameCutter whole;
    Recorder expected(&whole);
    whole.feed(session);
    QVERIFY(expected.got.size() >= 10);

    for (quint32 seed = 1; seed <= 50; ++seed) {
        QRandomGenerator rng(seed);
        SysExFrameCutter buffer;
        Recorder rec(&buffer);
        int pos = 0;
        while (pos < session.size()) {
            const int len = rng.bounded(1, 17);
            buffer.feed(session.mid(pos, len));
            pos += len;
        }
        QVERIFY2(rec.got == expected.got, qPrintable(QString("seed %1").arg(seed)));
    }
}

void TestSysExFrameCutter::handlerThatClearsStopsDelivery()
{
    SysExFrameCutter buffer;
    int calls = 0;
    connect(&buffer, &SysExFrameCutter::frameReceived, this, [&](FrameKind, const QByteArray &) {
        ++calls;
        buffer.clear(); // as a disconnect in the middle of a burst does
    });
    buffer.feed(hex("f0002f71010101f7f0002f7103010101f7f0002f71"));
    QCOMPARE(calls, 1);
    QCOMPARE(buffer.pendingBytes(), 0);
}

void TestSysExFrameCutter::handlerThatFeedsMoreBytesKeepsOrder()
{
    // A modal box inside a handler runs the event loop, so more bytes can
    // arrive while a frame is being handled; they must wait their turn.
    SysExFrameCutter buffer;
    Kinds order;
    bool fed = false;
    connect(&buffer, &SysExFrameCutter::frameReceived, this, [&](FrameKind kind, const QByteArray &) {
        order.append(kind);
        if (!fed) {
            fed = true;
            buffer.feed(hex("f0002f71020703f7"));
            order.append(FrameKind::UnexpectedLength); // marks the handler's end
        }
    });
    buffer.feed(hex("f0002f71010101f7f0002f7103010101f7"));
    QCOMPARE(order, (Kinds{FrameKind::DeviceType, FrameKind::UnexpectedLength, FrameKind::FactoryReset, FrameKind::HubCount}));
}

QTEST_GUILESS_MAIN(TestSysExFrameCutter)
#include "tst_sysexframecutter.moc"
