#include "filter/filterbits.h"

#include <QtTest>

using namespace Filter;

Q_DECLARE_METATYPE(Filter::Bytes)

namespace {

Bytes bytesFromHex(const char *hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    Bytes bytes{};
    for (int i = 0; i < ByteCount && i < raw.size(); ++i)
        bytes[i] = static_cast<quint8>(raw.at(i));
    return bytes;
}

Bytes withByte(int index, qint32 value)
{
    Bytes bytes{};
    bytes[index] = value;
    return bytes;
}

QSet<QString> boxSet(const QStringList &names)
{
    return QSet<QString>(names.cbegin(), names.cend());
}

} // namespace

class TestFilterBits : public QObject
{
    Q_OBJECT

private slots:
    void shouldOfferEveryItemBoxExactlyOnce();
    void shouldEncodeCheckedBoxes_data();
    void shouldEncodeCheckedBoxes();
    void shouldIgnoreSectionBoxesAndUnknownNames();
    void shouldPlaceChannelsAndControllers_data();
    void shouldPlaceChannelsAndControllers();
    void shouldRefuseOutOfRangeChannelsAndControllers();
    void shouldRoundTripEverySingleBox();
    void shouldCheckWhatPageWalkReads_data();
    void shouldCheckWhatPageWalkReads();
    void shouldWalkEachByteFromHighestUsedBitDown();
    void shouldNormalizeToDataBytes();
};

void TestFilterBits::shouldOfferEveryItemBoxExactlyOnce()
{
    const QStringList names = boxNames();
    QCOMPARE(names.size(), 16 + 7 + 128 + 4 + 7);
    QCOMPARE(boxSet(names).size(), names.size());
    const QStringList keys = [] {
        QStringList k;
        for (const ByteLayout &byte : byteLayout())
            k.append(byte.key);
        return k;
    }();
    QCOMPARE(keys.first(), QStringLiteral("iitop"));
    QCOMPARE(keys.at(4), QStringLiteral("kk1"));
    QCOMPARE(keys.at(22), QStringLiteral("kk19"));
    QCOMPARE(keys.mid(23), (QStringList{"ll", "mm"}));
}

void TestFilterBits::shouldEncodeCheckedBoxes_data()
{
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<Bytes>("expected");

    QTest::newRow("all clear") << QStringList{} << Bytes{};
    QTest::newRow("all set") << boxNames()
                             << bytesFromHex("037F7F7F03" "7F7F7F7F7F7F7F7F7F7F7F7F7F7F7F7F7F7F" "0F7F");
    QTest::newRow("channel 15 alone is iitop bit 0") << QStringList{"channel15Box"} << withByte(0, 1);
    QTest::newRow("channel 16") << QStringList{"channel16Box"} << withByte(0, 2);
    QTest::newRow("channel 1 alone is iibot bit 0") << QStringList{"channel1Box"} << withByte(2, 1);
    QTest::newRow("channel 8 is iimid bit 0") << QStringList{"channel8Box"} << withByte(1, 1);
    QTest::newRow("channel 14 is iimid bit 6") << QStringList{"channel14Box"} << withByte(1, 0x40);
    QTest::newRow("system exclusive sits in jj") << QStringList{"systemExclusiveBox"}
                                                 << withByte(3, 0x40);
    QTest::newRow("note on and pitch bend")
        << QStringList{"noteOnBox", "pitchBendBox"} << withByte(3, 0x21);
    QTest::newRow("CC 0 is kk19 bit 0") << QStringList{"controller0Box"} << withByte(22, 1);
    QTest::newRow("CC 127 is kk1 bit 1") << QStringList{"controller127Box"} << withByte(4, 2);
    QTest::newRow("CC 119 is kk2 bit 0") << QStringList{"controller119Box"} << withByte(5, 1);
    QTest::newRow("CC 125 is kk2 bit 6") << QStringList{"controller125Box"} << withByte(5, 0x40);
    QTest::newRow("CC 7 is kk18 bit 0") << QStringList{"controller7Box"} << withByte(21, 1);
    QTest::newRow("tune request is ll bit 3") << QStringList{"tuneRequestBox"} << withByte(23, 8);
    QTest::newRow("system reset is mm bit 6") << QStringList{"systemResetBox"} << withByte(24, 0x40);
}

void TestFilterBits::shouldEncodeCheckedBoxes()
{
    QFETCH(QStringList, checked);
    QFETCH(Bytes, expected);
    QCOMPARE(encode(boxSet(checked)), expected);
    QCOMPARE(encodeWith([&checked](const QString &box) { return checked.contains(box); }), expected);
}

void TestFilterBits::shouldIgnoreSectionBoxesAndUnknownNames()
{
    const QSet<QString> notItems{"channelsBox", "messagesBox", "controlChangeBox",
                                 "systemCommonBox", "systemRealtimeBox", "controller128Box",
                                 "channel17Box", "channel0Box", ""};
    QCOMPARE(encode(notItems), Bytes{});
}

void TestFilterBits::shouldPlaceChannelsAndControllers_data()
{
    QTest::addColumn<bool>("isChannel");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("byteIndex");
    QTest::addColumn<int>("bit");

    QTest::newRow("channel 1") << true << 1 << 2 << 0;
    QTest::newRow("channel 7") << true << 7 << 2 << 6;
    QTest::newRow("channel 15") << true << 15 << 0 << 0;
    QTest::newRow("CC 0") << false << 0 << 22 << 0;
    QTest::newRow("CC 6") << false << 6 << 22 << 6;
    QTest::newRow("CC 118") << false << 118 << 6 << 6;
    QTest::newRow("CC 126") << false << 126 << 4 << 0;
    QTest::newRow("CC 127") << false << 127 << 4 << 1;
}

void TestFilterBits::shouldPlaceChannelsAndControllers()
{
    QFETCH(bool, isChannel);
    QFETCH(int, number);
    QFETCH(int, byteIndex);
    QFETCH(int, bit);
    const auto position = isChannel ? channelPosition(number) : controllerPosition(number);
    QVERIFY(position.has_value());
    QCOMPARE(position->byteIndex, byteIndex);
    QCOMPARE(position->bit, bit);
}

void TestFilterBits::shouldRefuseOutOfRangeChannelsAndControllers()
{
    QVERIFY(!channelPosition(0));
    QVERIFY(!channelPosition(17));
    QVERIFY(!controllerPosition(-1));
    QVERIFY(!controllerPosition(128));
    QVERIFY(!positionOfBox(QStringLiteral("channelsBox")));
}

void TestFilterBits::shouldRoundTripEverySingleBox()
{
    for (const QString &box : boxNames()) {
        const Bytes bytes = encode({box});
        QCOMPARE(decode(bytes), QSet<QString>{box});
        const auto position = positionOfBox(box);
        QVERIFY(position);
        QCOMPARE(bytes[position->byteIndex], 1 << position->bit);
    }
}

void TestFilterBits::shouldCheckWhatPageWalkReads_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("jj 0x41: note on and system exclusive")
        << withByte(3, 0x41) << QStringList{"systemExclusiveBox", "noteOnBox"};
    QTest::newRow("64 checks bit 6 only") << withByte(2, 64) << QStringList{"channel7Box"};
    QTest::newRow("127 checks all seven") << withByte(24, 127)
                                          << QStringList{"timingClockBox", "tickBox",
                                                         "startBox", "continueBox",
                                                         "stopBox", "activeSensingBox",
                                                         "systemResetBox"};
    // 200 / 64 is non-zero, the remainder 200 % 64 = 8 is bit 3.
    QTest::newRow("200 reads as bit 6 and bit 3") << withByte(2, 200)
                                                  << QStringList{"channel7Box", "channel4Box"};
    QTest::newRow("128 reads as bit 6 alone") << withByte(2, 128) << QStringList{"channel7Box"};
    // iitop's highest used bit is 1: 4 / 2 is non-zero, nothing is left for bit 0.
    QTest::newRow("iitop 4 reads as channel 16") << withByte(0, 4) << QStringList{"channel16Box"};
    QTest::newRow("iitop 5 reads as both channels") << withByte(0, 5)
                                                    << QStringList{"channel16Box", "channel15Box"};
    // ll's unused bit 4 lands on its highest used box, Tune Request.
    QTest::newRow("ll 0x10 reads as tune request") << withByte(23, 0x10)
                                                   << QStringList{"tuneRequestBox"};
    QTest::newRow("kk1 3 reads as CC 126 and 127")
        << withByte(4, 3) << QStringList{"controller127Box", "controller126Box"};
    // Truncating division: -1 survives to bit 0, where -1 / 1 is non-zero.
    QTest::newRow("negative -1 reads as bit 0") << withByte(3, -1) << QStringList{"noteOnBox"};
}

void TestFilterBits::shouldCheckWhatPageWalkReads()
{
    QFETCH(Bytes, bytes);
    QFETCH(QStringList, checked);
    QCOMPARE(decode(bytes), boxSet(checked));
}

void TestFilterBits::shouldWalkEachByteFromHighestUsedBitDown()
{
    const QVector<WalkStep> steps = decodeWalk(withByte(3, 0x41));
    QCOMPARE(steps.size(), boxNames().size());
    // iitop first, bit 1 before bit 0.
    QCOMPARE(steps.at(0), (WalkStep{"channel16Box", false}));
    QCOMPARE(steps.at(1), (WalkStep{"channel15Box", false}));
    // jj follows the 2 + 7 + 7 channel steps, highest bit first.
    QCOMPARE(steps.at(16), (WalkStep{"systemExclusiveBox", true}));
    QCOMPARE(steps.at(17), (WalkStep{"pitchBendBox", false}));
    QCOMPARE(steps.at(22), (WalkStep{"noteOnBox", true}));
    QCOMPARE(steps.at(23), (WalkStep{"controller127Box", false}));
    QCOMPARE(steps.last(), (WalkStep{"timingClockBox", false}));
}

void TestFilterBits::shouldNormalizeToDataBytes()
{
    Bytes bytes{};
    bytes[0] = 7;     // iitop uses two bits: the walk keeps both
    bytes[2] = 200;   // bit 6 and bit 3
    bytes[3] = 0x41;
    bytes[23] = 0x1F; // bit 4 is unused: Tune Request, then remainder 7
    Bytes expected{};
    expected[0] = 3;
    expected[2] = 0x48;
    expected[3] = 0x41;
    expected[23] = 0x0F;
    QCOMPARE(normalized(bytes), expected);
}

QTEST_GUILESS_MAIN(TestFilterBits)
#include "tst_filterbits.moc"
