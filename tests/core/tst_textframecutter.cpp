#include "device/textframecutter.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray textFrame(const QByteArray &payload)
{
    QByteArray f("\xAA\xCC", 2);
    f.append(static_cast<char>(payload.size()));
    f.append(payload);
    f.append("\r\n");
    return f;
}

// Everything the cutter says, as one line per signal, in order.
class Transcript : public QObject
{
public:
    explicit Transcript(TextFrameCutter *c)
    {
        connect(c, &TextFrameCutter::modelReceived, this, [this](const QString &m) { lines << "MTD " + m; });
        connect(c, &TextFrameCutter::versionReceived, this, [this](const QString &v) { lines << "VER " + v; });
        connect(c, &TextFrameCutter::modelAndVersionReceived, this,
                [this](const QString &v, const QString &m) { lines << "MTV " + v + " " + m; });
        connect(c, &TextFrameCutter::eraseFinished, this, [this](bool e) { lines << QString("ERASE %1").arg(e); });
        connect(c, &TextFrameCutter::chunkAcknowledged, this,
                [this](int n) { lines << QString("ACK %1").arg(n); });
        connect(c, &TextFrameCutter::unrecognisedTextFrame, this,
                [this](const QByteArray &f) { lines << "SHOW " + QString::fromLatin1(f.toHex()); });
    }
    QStringList lines;
};

} // namespace

class TestTextFrameCutter : public QObject
{
    Q_OBJECT

private slots:
    void handlesEachReply_data();
    void handlesEachReply();
    void modelThenVersionPairsThem();
    void keepsHeadSplitAcrossReads_data();
    void keepsHeadSplitAcrossReads();
    void dropsFrameWithBadTailAndGoesOn();
    void dropsNoiseWithoutHead();
    void waitsForWholeFrame();
};

void TestTextFrameCutter::handlesEachReply_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("said");

    QTest::newRow("model") << QByteArray("Alder-4") << "MTD Alder-4";
    QTest::newRow("model inside text") << QByteArray("Kestrova Cedar-6 ok") << "MTD Cedar-6";
    QTest::newRow("version") << QByteArray("V1.2.0") << "VER V1.2.0";
    QTest::newRow("erase, any case") << QByteArray("erase end") << "ERASE 1";
    QTest::newRow("ack 64") << QByteArray("64") << "ACK 64";
    QTest::newRow("ack 512") << QByteArray("512") << "ACK 512";
    QTest::newRow("zero is not an ack") << QByteArray("0") << "SHOW aacc01300d0a";
    QTest::newRow("four digits are not an ack") << QByteArray("1000") << "SHOW aacc04313030300d0a";
    QTest::newRow("empty payload") << QByteArray() << "SHOW aacc000d0a";
    QTest::newRow("version without dot is not one") << QByteArray("V12") << "SHOW aacc035631320d0a";
    QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe") << "SHOW aacc02fffe0d0a";
}

void TestTextFrameCutter::handlesEachReply()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, said);
    TextFrameCutter cutter;
    Transcript t(&cutter);
    cutter.feed(textFrame(payload));
    QCOMPARE(t.lines.value(0), said);
    QCOMPARE(cutter.pendingBytes(), 0);
}

void TestTextFrameCutter::modelThenVersionPairsThem()
{
    TextFrameCutter cutter;
    Transcript t(&cutter);
    cutter.feed(textFrame("Birch-2") + textFrame("V3.10.7"));
    QCOMPARE(t.lines, (QStringList{"MTD Birch-2", "VER V3.10.7", "MTV V3.10.7 Birch-2"}));
    QCOMPARE(cutter.lastModel(), QString("Birch-2"));
    QCOMPARE(cutter.lastVersion(), QString("V3.10.7"));
}

void TestTextFrameCutter::keepsHeadSplitAcrossReads_data()
{
    QTest::addColumn<int>("split");
    const int size = textFrame("Alder-4").size();
    for (int split = 1; split < size; ++split)
        QTest::addRow("split at %d", split) << split;
}

void TestTextFrameCutter::keepsHeadSplitAcrossReads()
{
    QFETCH(int, split);
    TextFrameCutter cutter;
    Transcript t(&cutter);
    const QByteArray stream = QByteArray("\x01\x02") + textFrame("Alder-4");
    cutter.feed(stream.left(split + 2));
    cutter.feed(stream.mid(split + 2));
    QCOMPARE(t.lines, QStringList{"MTD Alder-4"});
}

void TestTextFrameCutter::dropsFrameWithBadTailAndGoesOn()
{
    TextFrameCutter cutter;
    Transcript t(&cutter);
    QByteArray bad = textFrame("Alder-4");
    bad[bad.size() - 1] = 'X';
    cutter.feed(bad + textFrame("V1.0.1"));
    QCOMPARE(t.lines, (QStringList{"VER V1.0.1", "MTV V1.0.1 "}));
}

void TestTextFrameCutter::dropsNoiseWithoutHead()
{
    TextFrameCutter cutter;
    Transcript t(&cutter);
    cutter.feed(QByteArray::fromHex("f0002f71010101f7"));
    QCOMPARE(cutter.pendingBytes(), 0);
    cutter.feed(QByteArray(5000, 'x'));
    QCOMPARE(cutter.pendingBytes(), 0);
    QVERIFY(t.lines.isEmpty());
}

void TestTextFrameCutter::waitsForWholeFrame()
{
    TextFrameCutter cutter;
    Transcript t(&cutter);
    // A declared length of 200 holds the cutter until 205 bytes are there.
    QByteArray head("\xAA\xCC\xC8", 3);
    cutter.feed(head + QByteArray(100, 'a'));
    QVERIFY(t.lines.isEmpty());
    QCOMPARE(cutter.pendingBytes(), 103);
    cutter.feed(QByteArray(100, 'a') + "\r\n");
    QCOMPARE(t.lines.size(), 1);
    QVERIFY(t.lines.first().startsWith("SHOW aaccc8"));
    cutter.clear();
    QCOMPARE(cutter.pendingBytes(), 0);
}

QTEST_GUILESS_MAIN(TestTextFrameCutter)
#include "tst_textframecutter.moc"
