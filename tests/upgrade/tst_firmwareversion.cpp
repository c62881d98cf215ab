// Reading the update server's texts and comparing versions: the dialog
// compares every number, the main window major and minor only.
#include "device/devicemodels.h"
#include "upgrade/firmwareversion.h"

#include <QtTest>

using namespace FirmwareVersion;

class tst_FirmwareVersion : public QObject
{
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void judgeReasons_data();
    void judgeReasons();
    void updateText();
};

void tst_FirmwareVersion::compare_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("latest");
    QTest::addColumn<bool>("dialogNewer");
    QTest::addColumn<bool>("windowNewer");
    QTest::newRow("patch only") << "V1.0" << "Alder-4_V1.0.1" << true << false;
    QTest::newRow("minor") << "V1.2.0" << "Alder-4_V1.3.0" << true << true;
    QTest::newRow("equal") << "V1.2.0" << "Alder-4_V1.2.0" << false << false;
    QTest::newRow("longer current, all equal") << "V1.0.0" << "Alder-4_V1.0" << false << false;
    QTest::newRow("device newer") << "V2.0" << "Alder-4_V1.9.9" << false << false;
    QTest::newRow("ten beats nine") << "V1.9" << "Alder-4_V1.10" << true << true;
    QTest::newRow("no V on the device") << "1.2" << "Alder-4_V1.0" << true << true;
}

void tst_FirmwareVersion::compare()
{
    QFETCH(QString, current);
    QFETCH(QString, latest);
    QFETCH(bool, dialogNewer);
    QFETCH(bool, windowNewer);
    QCOMPARE(serverNewer(numbers(current, true), numbers(latest, true)), dialogNewer);
    QCOMPARE(serverNewerMajorMinor(current, latest), windowNewer);
}

void tst_FirmwareVersion::judgeReasons_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    const QString text = QStringLiteral("Alder-4_V1.2.0\nUpdate content:\n  fixes\n");
    QTest::newRow("equal") << "V1.2.0" << text << "Reason: current version is equal to server version.";
    QTest::newRow("device newer") << "V1.3" << text << "Reason: device version is newer than server version.";
    QTest::newRow("longer current") << "V1.2.0.0" << text << "Reason: comparison did not detect a newer server version.";
    // A current version without numbers reads as 0: only a 0.0 server is not newer.
    const QString zero = QStringLiteral("Alder-4_V0.0");
    QTest::newRow("empty current") << "" << zero << "Reason: device current version is empty.";
    QTest::newRow("current without V") << "1.2" << zero
        << "Reason: failed to parse current device version into numeric parts.";
    QTest::newRow("blank first line") << "V1.0" << "\n" + text << "Reason: failed to parse latest version from server text.";
    QTest::newRow("other product") << "V1.0" << "Birch-2_V9.0" << "Reason: failed to parse latest version from server text.";
}

void tst_FirmwareVersion::judgeReasons()
{
    QFETCH(QString, current);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const Verdict v = judge(QStringLiteral("Alder-4"), current, text);
    QVERIFY(!v.newer);
    QVERIFY2(v.log.join(QLatin1Char('\n')).contains(reason), qPrintable(v.log.join(QLatin1Char('\n'))));
}

void tst_FirmwareVersion::updateText()
{
    const Verdict v = judge(QStringLiteral("Alder-4"), QStringLiteral("V1.2.0"),
                            QStringLiteral("Alder-4_V1.3.0 (2026)\nUpdate content:\n  1. Faster\n  2. <b>Fixes</b>\n"));
    QVERIFY(v.newer);
    QCOMPARE(v.latest, QStringLiteral("Alder-4_V1.3.0"));
    QCOMPARE(v.description, QStringLiteral("1. Faster\n  2. <b>Fixes</b>"));
    QCOMPARE(imagePath(QStringLiteral("Alder-4"), v.latest), QStringLiteral("/download/Product/Alder-4/Update/Alder-4_V1.3.0.bin"));

    // Keys in table order; a longer model name still finds its row.
    const DeviceModels::DeviceModel *sorrel = DeviceModels::findOnUpdateServer(QStringLiteral("Sorrel-45"));
    QVERIFY(sorrel);
    QCOMPARE(updateTextPath(sorrel->updateProduct),
             QStringLiteral("/download/Product/Sorrel-4/Update/Sorrel-Uno_Update.txt"));
    QCOMPARE(DeviceModels::findOnUpdateServer(QStringLiteral("Juniper-12"))->updateProduct, QStringLiteral("Juniper-1"));
    QVERIFY(!DeviceModels::findOnUpdateServer(QStringLiteral("Cedar-6")));
    QVERIFY(!DeviceModels::findOnUpdateServer(QStringLiteral("alder-4")));

    QVERIFY(looksLikeText("<html><body>Not found</body></html>\r\n"));
    QVERIFY(!looksLikeText(QByteArray("\x00\x20\x00\x20", 4)));
    QVERIFY(!looksLikeText(QByteArray("\xff\xfe\x41", 3)));
}

QTEST_GUILESS_MAIN(tst_FirmwareVersion)
#include "tst_firmwareversion.moc"
