#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class QSslSocket;

// An HTTPS server for network tests. It listens on 127.0.0.1 only, on a
// random port, with a certificate authority and a server certificate for
// 127.0.0.1 generated when it starts (so no key ever lives in the tree), and
// answers GET requests from a script: per path, one response or a sequence
// of them (each request takes the next; the last one repeats). Unknown paths
// get 404.
class HttpsTestServer : public QTcpServer
{
    Q_OBJECT

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/octet-stream";
        qint64 announcedLength = -1; // Content-Length to send instead of the body's size
        qint64 cutAfter = -1;        // close the connection after this many body bytes
        int delayMs = 0;             // wait before answering
        bool omitContentLength = false;
        qint64 stallAfter = -1;      // send this many body bytes, then hold the connection open
    };

    explicit HttpsTestServer(QObject *parent = nullptr);
    ~HttpsTestServer() override;

    // Generates the certificates and starts listening; false (with
    // errorString()) when openssl fails or no port is free.
    [[nodiscard]] bool start();
    [[nodiscard]] QUrl baseUrl() const;
    [[nodiscard]] QString caFile() const;
    [[nodiscard]] QList<QSslCertificate> caCertificates() const;
    [[nodiscard]] QString errorText() const { return m_error; }

    void setResponse(const QString &path, const Response &response);
    void setResponses(const QString &path, const QList<Response> &responses);
    [[nodiscard]] QStringList requestedPaths() const { return m_requested; }

signals:
    void requested(const QString &path);

protected:
    void incomingConnection(qintptr handle) override;

private:
    bool makeCertificates();
    void readRequest(QSslSocket *socket);
    void answer(QSslSocket *socket, const Response &response);

    QTemporaryDir m_dir;
    QSslCertificate m_serverCert;
    QSslKey m_serverKey;
    QHash<QString, QList<Response>> m_script;
    QStringList m_requested;
    QString m_error;
};
Q_DECLARE_METATYPE(HttpsTestServer::Response)
