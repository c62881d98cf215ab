#include "httpstestserver.h"

#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {
const char RequestDoneProperty[] = "velmoraRequestDone";

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}
} // namespace

HttpsTestServer::HttpsTestServer(QObject *parent)
    : QTcpServer(parent)
{
}

HttpsTestServer::~HttpsTestServer()
{
    close();
}

bool HttpsTestServer::makeCertificates()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    const auto run = [this](const QStringList &args) {
        QProcess openssl;
        openssl.setWorkingDirectory(m_dir.path());
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), args);
        if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit
            || openssl.exitCode() != 0) {
            m_error = QStringLiteral("openssl %1 failed: %2")
                          .arg(args.value(0), QString::fromLocal8Bit(openssl.readAll()));
            return false;
        }
        return true;
    };
    QFile ext(m_dir.filePath(QStringLiteral("server.ext")));
    if (!ext.open(QIODevice::WriteOnly))
        return false;
    ext.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
              "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n");
    ext.close();
    const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!run(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ecKey
             + QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                           QStringLiteral("ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                           QStringLiteral("-subj"), QStringLiteral("/CN=Velmora Test CA"),
                           QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                           QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")}))
        return false;
    if (!run(QStringList{QStringLiteral("req")} + ecKey
             + QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                           QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")}))
        return false;
    if (!run({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
              QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
              QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.crt"),
              QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")}))
        return false;

    const auto certs = QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("server.crt")));
    QFile keyFile(m_dir.filePath(QStringLiteral("server.key")));
    if (certs.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("generated certificate unreadable");
        return false;
    }
    m_serverCert = certs.first();
    m_serverKey = QSslKey(keyFile.readAll(), QSsl::Ec);
    if (m_serverKey.isNull()) {
        m_error = QStringLiteral("generated key unreadable");
        return false;
    }
    return true;
}

bool HttpsTestServer::start()
{
    if (!QSslSocket::supportsSsl()) {
        m_error = QStringLiteral("Qt has no TLS support here");
        return false;
    }
    if (m_serverCert.isNull() && !makeCertificates())
        return false;
    if (!listen(QHostAddress::LocalHost, 0)) {
        m_error = QTcpServer::errorString();
        return false;
    }
    return true;
}

QUrl HttpsTestServer::baseUrl() const
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(serverPort());
    return url;
}

QString HttpsTestServer::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.crt"));
}

QList<QSslCertificate> HttpsTestServer::caCertificates() const
{
    return QSslCertificate::fromPath(caFile());
}

void HttpsTestServer::setResponse(const QString &path, const Response &response)
{
    m_script.insert(path, {response});
}

void HttpsTestServer::setResponses(const QString &path, const QList<Response> &responses)
{
    m_script.insert(path, responses);
}

void HttpsTestServer::incomingConnection(qintptr handle)
{
    auto *socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        return;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(m_serverCert);
    config.setPrivateKey(m_serverKey);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket->setSslConfiguration(config);
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { readRequest(socket); });
    connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    // A client that refuses the certificate drops the connection mid-handshake.
    connect(socket, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), socket,
            &QObject::deleteLater);
    socket->startServerEncryption();
}

void HttpsTestServer::readRequest(QSslSocket *socket)
{
    if (socket->property(RequestDoneProperty).toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("velmoraBuffer").toByteArray() + socket->readAll();
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("velmoraBuffer", buffer);
        return;
    }
    socket->setProperty(RequestDoneProperty, true);
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    const QString path = QString::fromLatin1(requestLine.value(1));
    m_requested.append(path);
    emit requested(path);

    Response response;
    auto it = m_script.find(path);
    if (it == m_script.end() || it->isEmpty()) {
        response.status = 404;
        response.body = "Not found";
        response.contentType = "text/plain";
    } else {
        response = it->size() > 1 ? it->takeFirst() : it->first();
    }
    if (response.delayMs > 0) {
        QPointer<QSslSocket> guarded(socket);
        QTimer::singleShot(response.delayMs, this, [this, guarded, response] {
            if (guarded)
                answer(guarded, response);
        });
    } else {
        answer(socket, response);
    }
}

void HttpsTestServer::answer(QSslSocket *socket, const Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                      + "\r\nContent-Type: " + response.contentType + "\r\nConnection: close\r\n";
    if (!response.omitContentLength) {
        const qint64 length = response.announcedLength >= 0 ? response.announcedLength : response.body.size();
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    }
    head += "\r\n";
    socket->write(head);
    if (response.stallAfter >= 0) {
        socket->write(response.body.left(int(response.stallAfter)));
        socket->flush();
        return;
    }
    if (response.cutAfter >= 0) {
        socket->write(response.body.left(int(response.cutAfter)));
        // Once the partial body is on the wire, abort() rather than a TLS
        // close: the peer sees the line drop.
        auto *poll = new QTimer(socket);
        connect(poll, &QTimer::timeout, socket, [socket] {
            if (socket->bytesToWrite() == 0 && socket->encryptedBytesToWrite() == 0) {
                socket->abort();
                socket->deleteLater();
            }
        });
        poll->start(5);
        return;
    }
    socket->write(response.body);
    socket->disconnectFromHost();
}
