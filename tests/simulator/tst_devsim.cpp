#include "device/virtualdevices.h"
#include "device/vocabulary.h"
#include "hostview.h"
#include "ptyhost.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Patience = 10000;

} // namespace

// Runs the real velmora-devsim program.
class TestDevsim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void servesUntilTerminated();
    void printsTheBootloaderTerminalAfterReboot();
    void rejectsBadOptions_data();
    void rejectsBadOptions();
    void listsModels();

private:
    void start(QProcess &process, const QStringList &arguments);
    QString readLine(QProcess &process);

    QTemporaryDir m_registry;
};

void TestDevsim::initTestCase()
{
    QVERIFY(m_registry.isValid());
    qputenv("VELMORA_DEVICE_REGISTRY", QFile::encodeName(m_registry.path()));
    QVERIFY2(QFileInfo(QStringLiteral(VELMORA_DEVSIM)).isExecutable(), VELMORA_DEVSIM);
}

void TestDevsim::start(QProcess &process, const QStringList &arguments)
{
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral(VELMORA_DEVSIM), arguments);
    QVERIFY(process.waitForStarted(Patience));
}

QString TestDevsim::readLine(QProcess &process)
{
    // An empty result fails the comparison that follows.
    if (!QTest::qWaitFor([&] { return process.canReadLine(); }, Patience))
        return QString();
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

void TestDevsim::servesUntilTerminated()
{
    QProcess devsim;
    start(devsim, {QStringLiteral("--model"), QStringLiteral("Cedar-6")});
    const QString path = readLine(devsim);
    QVERIFY(path.startsWith(QLatin1Char('/')));
    QCOMPARE(readLine(devsim), QStringLiteral("Kestrova Cedar-6"));
    QTRY_COMPARE_WITH_TIMEOUT(VirtualDevices::entries().size(), 1, Patience);
    QCOMPARE(VirtualDevices::entries().at(0).portName, path);
    QCOMPARE(VirtualDevices::entries().at(0).pid, devsim.processId());

    {
        PtyHost host(path);
        QVERIFY(host.write(Vocabulary::identificationQuery()));
        HostView view;
        QTRY_VERIFY_WITH_TIMEOUT((view.feed(host.readAvailable()), !view.texts.isEmpty()), Patience);
        QCOMPARE(view.texts, QStringList{"MTD Cedar-6"});
    }

    devsim.terminate();
    QVERIFY(devsim.waitForFinished(Patience));
    QCOMPARE(devsim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(devsim.exitCode(), 0);
    QVERIFY(QDir(m_registry.path()).entryList(QDir::Files).isEmpty());
}

void TestDevsim::printsTheBootloaderTerminalAfterReboot()
{
    QProcess devsim;
    start(devsim, {QStringLiteral("--model"), QStringLiteral("Kestrova Maple-5")});
    const QString path = readLine(devsim);
    QCOMPARE(readLine(devsim), QStringLiteral("Kestrova Maple-5"));
    {
        PtyHost host(path);
        QVERIFY(host.write(Vocabulary::enterBootloaderCommand()));
        const QString bootPath = readLine(devsim);
        QVERIFY(!bootPath.isEmpty());
        QVERIFY(bootPath != path);
        QCOMPARE(readLine(devsim), QStringLiteral("Maple-5 BootLoader"));
    }
    devsim.terminate();
    QVERIFY(devsim.waitForFinished(Patience));
    QCOMPARE(devsim.exitCode(), 0);
}

void TestDevsim::rejectsBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("unknown model") << QStringList{"--model", "Kestrova Oak-1"};
    QTest::newRow("model in lower case") << QStringList{"--model", "alder-4"};
    QTest::newRow("negative delay") << QStringList{"--delay", "-3"};
    QTest::newRow("drop after words") << QStringList{"--drop-after", "many"};
    QTest::newRow("unknown option") << QStringList{"--bogus"};
    QTest::newRow("stray argument") << QStringList{"Alder-4"};
}

void TestDevsim::rejectsBadOptions()
{
    QFETCH(QStringList, arguments);
    QProcess devsim;
    start(devsim, arguments);
    QVERIFY(devsim.waitForFinished(Patience));
    QCOMPARE(devsim.exitCode(), 2);
    QVERIFY(devsim.readAllStandardOutput().isEmpty());
    QVERIFY(devsim.readAllStandardError().startsWith("velmora-devsim: "));
}

void TestDevsim::listsModels()
{
    QProcess devsim;
    start(devsim, {QStringLiteral("--list-models")});
    QVERIFY(devsim.waitForFinished(Patience));
    QCOMPARE(devsim.exitCode(), 0);
    const QList<QByteArray> lines = devsim.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines.at(3).startsWith("Kestrova Rowan-W\tmodel RowanW-1"));
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
