#include "update/updateinfo.h"

#include <QTest>

class TestUpdateInfo : public QObject
{
    Q_OBJECT

private slots:
    void compareVersions_data();
    void compareVersions();
    void parse_data();
    void parse();
    void platformNames();
};

void TestUpdateInfo::compareVersions_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("expected");

    QTest::newRow("equal") << "2.0.1" << "2.0.1" << 0;
    QTest::newRow("longer, extra part above 0") << "2.0.1" << "2.0.1.1" << -1;
    QTest::newRow("longer, extra part 0") << "2.0.1" << "2.0.1.0" << 0;
    QTest::newRow("numbers, not text") << "2.0.9" << "2.0.10" << -1;
    QTest::newRow("current newer") << "2.1.0" << "2.0.99" << 1;
    QTest::newRow("empty parts count 0") << "2..1" << "2.0.1" << 0;
    QTest::newRow("non-numeric parts count 0") << "2.x.1" << "2.0.1" << 0;
    QTest::newRow("empty text") << "" << "0.0.1" << -1;
}

void TestUpdateInfo::compareVersions()
{
    QFETCH(QString, current);
    QFETCH(QString, server);
    QFETCH(int, expected);
    QCOMPARE(UpdateInfo::compareVersions(current, server), expected);
    QCOMPARE(UpdateInfo::compareVersions(server, current), -expected);
}

void TestUpdateInfo::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("version"); // empty: no version found
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QByteArray>("sha256");
    QTest::addColumn<bool>("badSha");

    const QByteArray digest(64, 'a');
    QTest::newRow("plain") << QByteArray("Velmora_V2.1.0\nUpdate content:\n1. Faster\n2. Fixes")
                           << "2.1.0" << "1. Faster\n2. Fixes" << QByteArray() << false;
    QTest::newRow("no notes") << QByteArray("Velmora_V2.1\n") << "2.1" << "" << QByteArray() << false;
    QTest::newRow("blank first line") << QByteArray("\nVelmora_V2.1.0\nUpdate content: x") << "" << ""
                                      << QByteArray() << false;
    QTest::newRow("other product") << QByteArray("Alder-4_V2.1.0") << "" << "" << QByteArray() << false;
    QTest::newRow("not a version") << QByteArray("Velmora_Vx") << "" << "" << QByteArray() << false;
    QTest::newRow("sha line taken out of the notes")
        << QByteArray("Velmora_V3.0 beta\r\nSHA256: " + digest.toUpper() + "\r\nUpdate content:\r\nNew\r\nSHA256: "
                      + digest + "\r\nEnd")
        << "3.0" << "New\r\nEnd" << digest << false;
    QTest::newRow("short sha") << QByteArray("Velmora_V3.0\nSHA256: abc\nUpdate content: n") << "3.0" << "n"
                               << QByteArray() << true;
    QTest::newRow("utf-8 notes") << QByteArray("Velmora_V3.0\nUpdate content: caf\xc3\xa9") << "3.0"
                                 << QString::fromUtf8("caf\xc3\xa9") << QByteArray() << false;
}

void TestUpdateInfo::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, version);
    QFETCH(QString, notes);
    QFETCH(QByteArray, sha256);
    QFETCH(bool, badSha);
    const UpdateInfo info = UpdateInfo::parse(text);
    QCOMPARE(info.found, !version.isEmpty());
    QCOMPARE(info.latestVersion, version);
    if (info.found)
        QCOMPARE(info.latestVersionText, QStringLiteral("Velmora_V") + version);
    QCOMPARE(info.releaseNotes, notes);
    QCOMPARE(info.sha256, sha256);
    QCOMPARE(info.badSha256Line, badSha);
}

void TestUpdateInfo::platformNames()
{
    using P = UpdateInfo::Platform;
    QCOMPARE(UpdateInfo::updateTextPath(P::Windows), QStringLiteral("/download/Product/Velmora/Update/Velmora_Update_Win.txt"));
    QCOMPARE(UpdateInfo::installerPath(P::Windows, QStringLiteral("2.1.0")),
             QStringLiteral("/download/Product/Velmora/Update/Velmora_V2.1.0.exe"));
    QCOMPARE(UpdateInfo::installerFileName(P::Windows, QStringLiteral("2.1.0")), QStringLiteral("2.1.0.exe"));
    QCOMPARE(UpdateInfo::updateTextPath(P::Linux), QStringLiteral("/download/Product/Velmora/Update/Velmora_Update_Linux.txt"));
    QCOMPARE(UpdateInfo::installerPath(P::Linux, QStringLiteral("2.1.0")),
             QStringLiteral("/download/Product/Velmora/Update/Velmora_V2.1.0.deb"));
    QCOMPARE(UpdateInfo::versionNumber(QStringLiteral("V2.0.1")), QStringLiteral("2.0.1"));
    QCOMPARE(UpdateInfo::versionNumber(QStringLiteral("v2.0.1")), QStringLiteral("2.0.1"));
}

QTEST_GUILESS_MAIN(TestUpdateInfo)
#include "tst_updateinfo.moc"
