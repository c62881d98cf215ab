#include "device/serialport.h"
#include "device/vocabulary.h"
#include "device/prompt.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

#include "tests/support/ptydevice.h"

namespace {

using TestSupport::PtyDevice;

QByteArray textFrame(const QByteArray &payload)
{
    return QByteArray("\xAA\xCC", 2) + char(payload.size()) + payload + QByteArray("\r\n");
}

class RecordingPrompt : public Prompt
{
public:
    int showMessage(const QString &text, const QString &okText,
                    const QString &cancelText) override
    {
        shown << QStringList{text, okText, cancelText};
        return Ok;
    }
    int message(Icon, const QString &, const QString &text, int) override
    {
        shown << QStringList{text};
        return Ok;
    }
    QString openFileName(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFileName(const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString chooseItem(const QString &, const QString &, const QStringList &) override { return {}; }

    QList<QStringList> shown;
};

QByteArray joined(const QSignalSpy &spy)
{
    QByteArray all;
    for (const QList<QVariant> &args : spy)
        all += args.at(0).toByteArray();
    return all;
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shouldAskForVersionAfterModel();
    void shouldCutFramesSplitAcrossReads_data();
    void shouldCutFramesSplitAcrossReads();
    void shouldRelayVersionWithLastModel();
    void shouldCloseOnceWhenOtherEndGoesAway();
    void shouldRefuseEmptyPortName();
    void shouldWriteFramesOnlyWhenOpen();
    void shouldKeepPortOpenWhileOutputQueueIsFull();
};

void TestSerialPort::initTestCase()
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
}

void TestSerialPort::shouldAskForVersionAfterModel()
{
    PtyDevice pty;
    QVERIFY(pty.isValid());
    SerialPort port;
    QVERIFY2(port.openPort(pty.slavePath(), 115200), qPrintable(port.errorString()));
    QCOMPARE(port.baudRate(QSerialPort::Input), 115200);
    QCOMPARE(port.baudRate(QSerialPort::Output), 115200);

    QSignalSpy model(&port, &SerialPort::modelReceived);
    QSignalSpy raw(&port, &SerialPort::bytesReceived);
    const QByteArray frame = textFrame("Kestrova Alder-4");
    QVERIFY(pty.send(frame));

    QTRY_COMPARE_WITH_TIMEOUT(model.count(), 1, 10000);
    QCOMPARE(model.at(0).at(0).toString(), QStringLiteral("Alder-4"));
    QTRY_COMPARE_WITH_TIMEOUT(pty.received(), Vocabulary::versionQuery(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(joined(raw), frame, 10000);
}

void TestSerialPort::shouldCutFramesSplitAcrossReads_data()
{
    QTest::addColumn<int>("splitAt");
    // A split AA CC head must not be lost between reads.
    QTest::newRow("after AA") << 1;
    QTest::newRow("after AA CC") << 2;
    QTest::newRow("after length") << 3;
    QTest::newRow("inside payload") << 8;
    QTest::newRow("between 0D and 0A") << 19;
}

void TestSerialPort::shouldCutFramesSplitAcrossReads()
{
    QFETCH(int, splitAt);
    PtyDevice pty;
    QVERIFY(pty.isValid());
    SerialPort port;
    QVERIFY(port.openPort(pty.slavePath(), 115200));
    QSignalSpy model(&port, &SerialPort::modelReceived);
    QSignalSpy raw(&port, &SerialPort::bytesReceived);

    // Noise ahead of the head, then the frame in two writes.
    const QByteArray stream = QByteArray("\x01\x02", 2) + textFrame("Kestrova Cedar-6");
    QCOMPARE(stream.size(), 2 + 21);
    const int cut = 2 + splitAt;
    QVERIFY(pty.send(stream.left(cut)));
    QTRY_COMPARE_WITH_TIMEOUT(joined(raw), stream.left(cut), 10000);
    QCOMPARE(model.count(), 0);

    QVERIFY(pty.send(stream.mid(cut)));
    QTRY_COMPARE_WITH_TIMEOUT(model.count(), 1, 10000);
    QCOMPARE(model.at(0).at(0).toString(), QStringLiteral("Cedar-6"));
    QTRY_COMPARE_WITH_TIMEOUT(joined(raw), stream, 10000);
}

void TestSerialPort::shouldRelayVersionWithLastModel()
{
    PtyDevice pty;
    QVERIFY(pty.isValid());
    SerialPort port;
    QVERIFY(port.openPort(pty.slavePath(), 115200));
    QSignalSpy version(&port, &SerialPort::versionReceived);
    QSignalSpy both(&port, &SerialPort::modelAndVersionReceived);
    QSignalSpy erase(&port, &SerialPort::eraseFinished);
    QSignalSpy ack(&port, &SerialPort::chunkAcknowledged);
    QSignalSpy other(&port, &SerialPort::unrecognisedTextFrame);

    QVERIFY(pty.send(textFrame("Kestrova Alder-4") + textFrame("V1.2.3") + textFrame("erase end")
                     + textFrame("512") + textFrame("0")));
    QTRY_COMPARE_WITH_TIMEOUT(other.count(), 1, 10000);
    QCOMPARE(version.count(), 1);
    QCOMPARE(version.at(0).at(0).toString(), QStringLiteral("V1.2.3"));
    QCOMPARE(both.count(), 1);
    QCOMPARE(both.at(0).at(0).toString(), QStringLiteral("V1.2.3"));
    QCOMPARE(both.at(0).at(1).toString(), QStringLiteral("Alder-4"));
    QCOMPARE(erase.count(), 1);
    QCOMPARE(erase.at(0).at(0).toBool(), true);
    QCOMPARE(ack.count(), 1);
    QCOMPARE(ack.at(0).at(0).toInt(), 512);
    QCOMPARE(other.at(0).at(0).toByteArray(), textFrame("0"));
}

void TestSerialPort::shouldCloseOnceWhenOtherEndGoesAway()
{
    auto pty = std::make_unique<PtyDevice>();
    QVERIFY(pty->isValid());
    const QString path = pty->slavePath();
    SerialPort port;
    QVERIFY(port.openPort(path, 115200));
    QSignalSpy gone(&port, &SerialPort::portDisconnected);
    QSignalSpy errors(&port, &QSerialPort::errorOccurred);

    pty->hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, 10000);
    QCOMPARE(gone.at(0).at(0).toString(), path);
    QVERIFY(!port.isOpen());

    // Left open, the port would report a ReadError on every turn of the loop.
    QTest::qWait(500);
    QCOMPARE(gone.count(), 1);
    QVERIFY2(errors.count() < 50, qPrintable(QString::number(errors.count())));
}

void TestSerialPort::shouldRefuseEmptyPortName()
{
    SerialPort port;
    QTest::ignoreMessage(QtWarningMsg, "port name error, please choose right com!");
    QVERIFY(!port.openPort(QString(), 115200));

    RecordingPrompt prompt;
    port.setPrompt(&prompt);
    QVERIFY(!port.openPort(QString(), 115200));
    QVERIFY(!port.isOpen());
    QCOMPARE(prompt.shown.size(), 1);
    QCOMPARE(prompt.shown.at(0),
             (QStringList{"port name error, please choose right com!", "OK", "Cancel"}));
}

void TestSerialPort::shouldWriteFramesOnlyWhenOpen()
{
    PtyDevice pty;
    QVERIFY(pty.isValid());
    SerialPort port;
    const QByteArray frame("\xF0\x00\x2F\x71\x02\x04\x01\xF7", 8);

    QVERIFY(!port.writeFrame(frame));

    QVERIFY(port.openPort(pty.slavePath(), 115200));
    QVERIFY(port.writeFrame(frame));
    QVERIFY(port.writeFrame(frame));
    QTRY_COMPARE_WITH_TIMEOUT(pty.received(), frame + frame, 10000);
    QCOMPARE(port.error(), QSerialPort::NoError);
}

void TestSerialPort::shouldKeepPortOpenWhileOutputQueueIsFull()
{
    PtyDevice pty;
    QVERIFY(pty.isValid());
    SerialPort port;
    QVERIFY(port.openPort(pty.slavePath(), 115200));

    // Far more than a pseudo-terminal buffers while nobody reads the other end.
    const QByteArray backlog(256 * 1024, '\x55');
    QVERIFY(port.writeFrame(backlog));
    const QByteArray frame("\xF0\x00\x2F\x71\x02\x04\x01\xF7", 8);
    QSignalSpy gone(&port, &SerialPort::portDisconnected);
    QVERIFY(port.writeFrame(frame));

    // A full queue is reported as a ResourceError; it used to be taken for a
    // vanished device. Nothing is lost: once the device reads, the rest follows.
    QTRY_COMPARE_WITH_TIMEOUT(pty.received().size(), backlog.size() + frame.size(), 20000);
    QVERIFY(pty.received().endsWith(frame));
    QVERIFY(port.isOpen());
    QCOMPARE(gone.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(port.error(), QSerialPort::NoError, 10000);
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
