#include "simulator/deviceregistry.h"
#include "device/vocabulary.h"
#include "hostview.h"
#include "ptyhost.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

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
    void usesOnlyARegistryOfTheUsersOwn_data();
    void usesOnlyARegistryOfTheUsersOwn();

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
    QTRY_COMPARE_WITH_TIMEOUT(DeviceRegistry::entries().size(), 1, Patience);
    QCOMPARE(DeviceRegistry::entries().at(0).portName, path);
    QCOMPARE(DeviceRegistry::entries().at(0).pid, devsim.processId());

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

void TestDevsim::usesOnlyARegistryOfTheUsersOwn_data()
{
    QTest::addColumn<int>("mode");       // of the registry folder; -1: none yet
    QTest::addColumn<bool>("asOther");   // read as if another user owned it
    QTest::addColumn<bool>("listed");    // an entry planted there is listed
    QTest::addColumn<bool>("announced"); // velmora-devsim serves and announces there

    QTest::newRow("private") << 0700 << false << true << true;
    QTest::newRow("none yet: made private") << -1 << false << false << true;
    QTest::newRow("readable by others") << 0755 << false << true << false;
    QTest::newRow("group-writable") << 0770 << false << false << false;
    QTest::newRow("shared, like /tmp") << 01777 << false << false << false;
    // Nobody but root can give a folder away; the reader is told its owner.
    QTest::newRow("another user's") << 0700 << true << false << true;
}

void TestDevsim::usesOnlyARegistryOfTheUsersOwn()
{
    QFETCH(int, mode);
    QFETCH(bool, asOther);
    QFETCH(bool, listed);
    QFETCH(bool, announced);
    QTemporaryDir base;
    const QString folder = base.filePath(QStringLiteral("registry"));
    if (mode >= 0) {
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), static_cast<mode_t>(mode)), 0);
        // What anyone who may write to the folder can put there.
        QFile planted(folder + QStringLiteral("/planted.json"));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.write(QStringLiteral(R"({"port": "/dev/null", "description": "Kestrova Alder-4", "vendorId": 11121,
                                        "productId": 260, "pid": %1})").arg(QCoreApplication::applicationPid()).toUtf8());
    }
    QCOMPARE(DeviceRegistry::entries(folder, ::geteuid() + (asOther ? 1 : 0)).size(), listed ? 1 : 0);

    QProcess devsim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_DEVICE_REGISTRY"), folder);
    devsim.setProcessEnvironment(env);
    start(devsim, {});
    if (announced) {
        QVERIFY(readLine(devsim).startsWith(QLatin1Char('/')));
        QTRY_COMPARE_WITH_TIMEOUT(DeviceRegistry::entries(folder, ::geteuid()).size(), mode >= 0 ? 2 : 1, Patience);
        struct stat info = {};
        QVERIFY(::stat(QFile::encodeName(folder).constData(), &info) == 0 && (info.st_mode & 0777) == 0700);
        devsim.terminate();
    }
    QVERIFY(devsim.waitForFinished(Patience));
    const QString error = QString::fromLocal8Bit(devsim.readAllStandardError());
    QCOMPARE(devsim.exitCode(), announced ? 0 : 1);
    QCOMPARE(error.startsWith("velmora-devsim: the device registry folder " + folder + " can be reached by other users"),
             !announced);
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
