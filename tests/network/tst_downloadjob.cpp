#include "httpstestserver.h"
#include "network/downloadjob.h"
#include "network/updateserver.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

using Response = HttpsTestServer::Response;

class TestDownloadJob : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void acceptsOnlyWholeBodies_data();
    void acceptsOnlyWholeBodies();
    void abortLeavesNothing();
    void refusesUntrustedServerAndPlainHttp();
    void serverAddress_data();
    void serverAddress();
    void environmentServerTrustsOnlyItsCa();

private:
    QSslConfiguration trustingTestCa() const;
    DownloadJob::Error run(DownloadJob &job);

    HttpsTestServer m_server;
};

void TestDownloadJob::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

QSslConfiguration TestDownloadJob::trustingTestCa() const
{
    UpdateServer server = UpdateServer::fromAddress(m_server.baseUrl().toString());
    server.addCaCertificates(m_server.caCertificates(), true);
    return server.sslConfiguration();
}

DownloadJob::Error TestDownloadJob::run(DownloadJob &job)
{
    QSignalSpy finished(&job, &DownloadJob::finished);
    job.start();
    if (finished.isEmpty() && !finished.wait(10000))
        return DownloadJob::Error(-1);
    return finished.count() == 1 ? job.error() : DownloadJob::Error(-2);
}

void TestDownloadJob::acceptsOnlyWholeBodies_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<qint64>("maximum");
    QTest::addColumn<QByteArray>("sha256");
    QTest::addColumn<int>("expected");

    const QByteArray body(100000, 'x');
    const QByteArray sha = QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
    Response whole;
    whole.body = body;
    QTest::newRow("whole") << whole << qint64(1 << 20) << QByteArray() << int(DownloadJob::NoError);
    QTest::newRow("whole, matching sha") << whole << qint64(1 << 20) << sha.toUpper() << int(DownloadJob::NoError);
    QTest::newRow("wrong sha") << whole << qint64(1 << 20) << QByteArray(64, 'a') << int(DownloadJob::ChecksumMismatch);
    QTest::newRow("exactly the maximum") << whole << qint64(body.size()) << QByteArray() << int(DownloadJob::NoError);
    QTest::newRow("one byte over the maximum") << whole << qint64(body.size() - 1) << QByteArray()
                                               << int(DownloadJob::TooLarge);
    Response unannounced = whole;
    unannounced.omitContentLength = true;
    QTest::newRow("over the maximum, no length") << unannounced << qint64(1000) << QByteArray()
                                                 << int(DownloadJob::TooLarge);
    QTest::newRow("no length, whole") << unannounced << qint64(1 << 20) << QByteArray() << int(DownloadJob::NoError);
    Response cut = whole;
    cut.cutAfter = 40000;
    QTest::newRow("cut mid-body") << cut << qint64(1 << 20) << QByteArray() << int(DownloadJob::IncompleteBody);
    Response overAnnounced = whole;
    overAnnounced.announcedLength = body.size() + 10;
    QTest::newRow("shorter than announced") << overAnnounced << qint64(1 << 20) << QByteArray()
                                            << int(DownloadJob::IncompleteBody);
    Response empty;
    QTest::newRow("empty") << empty << qint64(1 << 20) << QByteArray() << int(DownloadJob::EmptyBody);
    Response missing;
    missing.status = 404;
    missing.body = "<html>not here</html>";
    missing.contentType = "text/html";
    QTest::newRow("404 page") << missing << qint64(1 << 20) << QByteArray() << int(DownloadJob::HttpError);
    Response failing = missing;
    failing.status = 500;
    QTest::newRow("500") << failing << qint64(1 << 20) << QByteArray() << int(DownloadJob::HttpError);
}

// Each case runs twice: into memory and into a target file. Only a success
// leaves a file, and only under its final name.
void TestDownloadJob::acceptsOnlyWholeBodies()
{
    QFETCH(Response, response);
    QFETCH(qint64, maximum);
    QFETCH(QByteArray, sha256);
    QFETCH(int, expected);

    const QString path = QStringLiteral("/case/%1").arg(QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression(QStringLiteral("[^a-z0-9]")), QStringLiteral("-")));
    m_server.setResponse(path, response);
    QUrl url = m_server.baseUrl();
    url.setPath(path);

    for (const bool toFile : {false, true}) {
        QTemporaryDir dir;
        DownloadJob job(url, trustingTestCa());
        job.setMaximumSize(maximum);
        job.setExpectedSha256(sha256);
        QSignalSpy progress(&job, &DownloadJob::progress);
        if (toFile)
            job.setTargetFile(dir.filePath(QStringLiteral("image.bin")));
        QCOMPARE(int(run(job)), expected);
        QCOMPARE(job.errorString().isEmpty(), expected == DownloadJob::NoError);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        if (expected == DownloadJob::NoError) {
            QVERIFY(!progress.isEmpty());
            if (toFile) {
                QCOMPARE(left, QStringList{QStringLiteral("image.bin")});
                QFile file(dir.filePath(QStringLiteral("image.bin")));
                QVERIFY(file.open(QIODevice::ReadOnly));
                QCOMPARE(file.readAll(), response.body);
            } else {
                QCOMPARE(job.data(), response.body);
            }
        } else {
            QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(','))));
            QVERIFY(job.data().isEmpty());
        }
    }
}

void TestDownloadJob::abortLeavesNothing()
{
    Response stalled;
    stalled.body = QByteArray(50000, 'y');
    stalled.stallAfter = 20000;
    m_server.setResponse(QStringLiteral("/stall"), stalled);
    QUrl url = m_server.baseUrl();
    url.setPath(QStringLiteral("/stall"));

    QTemporaryDir dir;
    DownloadJob job(url, trustingTestCa());
    job.setTargetFile(dir.filePath(QStringLiteral("setup.exe")));
    QSignalSpy finished(&job, &DownloadJob::finished);
    QSignalSpy progress(&job, &DownloadJob::progress);
    job.start();
    QTRY_VERIFY2(!progress.isEmpty() && progress.last().at(0).toLongLong() > 0, qPrintable(job.errorString()));
    job.abort();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(job.error(), DownloadJob::Aborted);

    QVERIFY(!job.isRunning());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void TestDownloadJob::refusesUntrustedServerAndPlainHttp()
{
    Response ok;
    ok.body = "data";
    m_server.setResponse(QStringLiteral("/ok"), ok);
    QUrl url = m_server.baseUrl();
    url.setPath(QStringLiteral("/ok"));

    // The system's authorities do not know the test CA.
    QSslConfiguration systemOnly = QSslConfiguration::defaultConfiguration();
    DownloadJob untrusted(url, systemOnly);
    QCOMPARE(run(untrusted), DownloadJob::TlsError);

    QUrl plain = url;
    plain.setScheme(QStringLiteral("http"));
    DownloadJob insecure(plain, trustingTestCa());
    QCOMPARE(run(insecure), DownloadJob::InsecureUrl);
    QVERIFY(insecure.errorString().contains(QLatin1String("https://")));
    QCOMPARE(m_server.requestedPaths().count(QStringLiteral("/ok")), 0);
}

void TestDownloadJob::serverAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("base"); // empty: refused

    QTest::newRow("https") << "https://updates.example.org" << "https://updates.example.org";
    QTest::newRow("bare host") << "updates.example.org" << "https://updates.example.org";
    QTest::newRow("host and port") << "127.0.0.1:8443" << "https://127.0.0.1:8443";
    QTest::newRow("prefix, trailing slash") << "https://h.example/mirror/" << "https://h.example/mirror";
    QTest::newRow("plain http") << "http://updates.example.org" << "";
    QTest::newRow("ftp") << "ftp://updates.example.org" << "";
    QTest::newRow("user info") << "https://me:pw@h.example" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("spaces") << "https://bad host" << "";
}

void TestDownloadJob::serverAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, base);
    const UpdateServer server = UpdateServer::fromAddress(address);
    QCOMPARE(server.isValid(), !base.isEmpty());
    if (base.isEmpty()) {
        QVERIFY(!server.errorString().isEmpty());
        QVERIFY(!server.url(QStringLiteral("/x")).isValid());
    } else {
        QCOMPARE(server.baseUrl().toString(), base);
        QCOMPARE(server.url(QStringLiteral("/download/a.txt")).toString(), base + QStringLiteral("/download/a.txt"));
    }
}

void TestDownloadJob::environmentServerTrustsOnlyItsCa()
{
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath(QStringLiteral("config.ini"));
    {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue(UpdateServer::SettingsKey, QStringLiteral("http://insecure.example"));
    }
    qunsetenv(UpdateServer::ServerVariable);
    qunsetenv(UpdateServer::CaFileVariable);
    const UpdateServer fromFile = UpdateServer::fromSettings(settingsPath);
    QVERIFY(!fromFile.isValid());
    QVERIFY(fromFile.errorString().contains(QLatin1String("http://insecure.example")));

    qputenv(UpdateServer::ServerVariable, m_server.baseUrl().toString().toUtf8());
    qputenv(UpdateServer::CaFileVariable, m_server.caFile().toUtf8());
    const UpdateServer fromEnvironment = UpdateServer::fromSettings(settingsPath);
    QVERIFY2(fromEnvironment.isValid(), qPrintable(fromEnvironment.errorString()));
    QCOMPARE(fromEnvironment.sslConfiguration().caCertificates(), m_server.caCertificates());
    DownloadJob job(fromEnvironment.url(QStringLiteral("/ok")), fromEnvironment.sslConfiguration());
    QCOMPARE(run(job), DownloadJob::NoError);

    qputenv(UpdateServer::CaFileVariable, dir.filePath(QStringLiteral("missing.pem")).toUtf8());
    QVERIFY(!UpdateServer::fromSettings(settingsPath).isValid());
    qunsetenv(UpdateServer::ServerVariable);
    qunsetenv(UpdateServer::CaFileVariable);
}

QTEST_GUILESS_MAIN(TestDownloadJob)
#include "tst_downloadjob.moc"
