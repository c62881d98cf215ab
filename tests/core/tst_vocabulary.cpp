#include "device/devicemodels.h"
#include "device/sysex.h"
#include "device/vocabulary.h"

#include <QtTest>

using namespace Vocabulary;

class TestVocabulary : public QObject
{
    Q_OBJECT

private slots:
    void shouldKeepMtcAndMidiTimeCodeEqual();
    void lookupOfMissingNameYieldsZero_data();
    void lookupOfMissingNameYieldsZero();
    void mappingTypesKeepOfferedOrderAndLackMtcAlias();
    void swappedCodesAreStatusBytesWithNibblesSwapped();
    void acceptedDeviceTestIsCaseSensitiveSubstring_data();
    void acceptedDeviceTestIsCaseSensitiveSubstring();
    void textCommandsAreByteExact_data();
    void textCommandsAreByteExact();
    void sysexBuildersAreByteExact_data();
    void sysexBuildersAreByteExact();
};

void TestVocabulary::shouldKeepMtcAndMidiTimeCodeEqual()
{
    QCOMPARE(shortTypeCodes().value("MTC"), shortTypeCodes().value("MIDI Time Code"));
    QCOMPARE(swappedStatusTable().value("MTC"), swappedStatusTable().value("MIDI Time Code"));
    QCOMPARE(swappedStatusTable().value("MTC"), 0x1F);
}

void TestVocabulary::lookupOfMissingNameYieldsZero_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("name");
    QTest::newRow("Note is short-only") << "statusNibble" << "Note";
    QTest::newRow("MTC is swapped-only") << "mapping" << "MTC";
    QTest::newRow("lower case") << "swapped" << "note on";
    QTest::newRow("empty") << "portTypes" << "";
    QTest::newRow("trailing blank") << "short" << "CC ";
}

void TestVocabulary::lookupOfMissingNameYieldsZero()
{
    QFETCH(QString, table);
    QFETCH(QString, name);
    const QHash<QString, const CodeTable *> tables{
        {"statusNibble", &statusNibbleTable()}, {"mapping", &mappingTypeCodes()},
        {"swapped", &swappedStatusTable()},     {"portTypes", &portTypes()},
        {"short", &shortTypeCodes()},
    };
    QVERIFY(!tables.value(table)->contains(name));
    QCOMPARE(tables.value(table)->value(name), 0);
}

void TestVocabulary::mappingTypesKeepOfferedOrderAndLackMtcAlias()
{
    const QStringList expected{
        "Control Change(CC)", "Note On", "Note Off", "Key Aftertouch", "Pitch Bend",
        "Channel Pressure", "Program Change(PC)", "Start", "Stop", "Continue",
        "Song Position Pointer", "Song Select", "Tune Request", "Active Sense", "MIDI Clock",
        "Tick", "MIDI Time Code", "System Exclusive",
    };
    QCOMPARE(mappingTypeCodes().names(), expected);
    QCOMPARE(swappedStatusTable().size(), 19);
    QCOMPARE(shortTypeCodes().size(), 18);
    QCOMPARE(statusNibbleTable().size(), 18);
}

void TestVocabulary::swappedCodesAreStatusBytesWithNibblesSwapped()
{
    // Every name of the mapping table is in the ordinary table too; the
    // swapped code must be that status byte with its nibbles exchanged.
    for (const auto &entry : mappingTypeCodes().entries()) {
        const int status = statusNibbleTable().value(entry.first);
        QVERIFY2(status != 0, qPrintable(entry.first));
        const int statusByte = status < 0xF0 ? status << 4 : status;
        const int swapped = ((statusByte & 0x0F) << 4) | (statusByte >> 4);
        QCOMPARE(entry.second, swapped);
    }
}

void TestVocabulary::acceptedDeviceTestIsCaseSensitiveSubstring_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << "Kestrova Alder-4" << true;
    QTest::newRow("with further text") << "Kestrova Cedar-6 MIDI Router" << true;
    QTest::newRow("lower case") << "kestrova alder-4" << false;
    QTest::newRow("model word alone") << "Larch-3" << true;
    QTest::newRow("MTD anywhere") << "xxMTDxx" << true;
    QTest::newRow("bootloader text") << "Alder-4 BootLoader" << false;
    QTest::newRow("empty") << "" << false;
}

void TestVocabulary::acceptedDeviceTestIsCaseSensitiveSubstring()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    QCOMPARE(DeviceModels::isAccepted(name), accepted);
    // Fifteen accepted names, the Hazel's twice: fourteen models.
    const QList<DeviceModels::DeviceModel> &models = DeviceModels::all();
    QCOMPARE(std::count_if(models.cbegin(), models.cend(),
                           [](const DeviceModels::DeviceModel &m) { return !m.acceptedName.isEmpty(); }),
             14);
}

void TestVocabulary::textCommandsAreByteExact_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("identify") << identificationQuery() << QByteArray("aacc0200010d0a");
    QTest::newRow("erase") << eraseCommand() << QByteArray("aacc0200020d0a");
    QTest::newRow("version") << versionQuery() << QByteArray("aacc0200030d0a");
    QTest::newRow("bootloader") << enterBootloaderCommand() << QByteArray("aacc0200090d0a");
}

void TestVocabulary::textCommandsAreByteExact()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, hex);
    QCOMPARE(frame.toHex(), hex);
}

void TestVocabulary::sysexBuildersAreByteExact_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("hex");
    QTest::newRow("query 1") << SysEx::deviceQuery(1) << QByteArray("f0002f71010301f7");
    QTest::newRow("query 7") << SysEx::deviceQuery(7) << QByteArray("f0002f71010307f7");
    QTest::newRow("factory reset") << SysEx::factoryResetCommand() << QByteArray("f0002f7103010100f7");
    QTest::newRow("store ack") << SysEx::storeAcknowledgeCommand() << QByteArray("f0002f71020201f7");
}

void TestVocabulary::sysexBuildersAreByteExact()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, hex);
    QCOMPARE(frame.toHex(), hex);
}

QTEST_GUILESS_MAIN(TestVocabulary)
#include "tst_vocabulary.moc"
