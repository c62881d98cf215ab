#include "network/downloadjob.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

DownloadJob::DownloadJob(const QUrl &url, const QSslConfiguration &ssl, QObject *parent)
    : QObject(parent)
    , m_url(url)
    , m_ssl(ssl)
{
}

DownloadJob::~DownloadJob()
{
    release();
}

void DownloadJob::start()
{
    if (isRunning())
        return;
    m_error = NoError;
    m_errorString.clear();
    m_httpStatus = 0;
    m_received = 0;
    m_data.clear();
    m_hash.reset();

    if (!m_url.isValid() || m_url.scheme() != QLatin1String("https") || m_url.host().isEmpty()) {
        fail(InsecureUrl, QStringLiteral("Refused to download from \"%1\": only https:// addresses are used.")
                              .arg(m_url.toString()));
        return;
    }
    if (!m_targetFile.isEmpty()) {
        m_file = std::make_unique<QSaveFile>(m_targetFile);
        if (!m_file->open(QIODevice::WriteOnly)) {
            const QString reason = m_file->errorString();
            m_file.reset();
            fail(FileError, QStringLiteral("Cannot write \"%1\": %2").arg(m_targetFile, reason));
            return;
        }
    }

    QNetworkRequest request(m_url);
    request.setSslConfiguration(m_ssl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);
    m_manager = std::make_unique<QNetworkAccessManager>();
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadJob::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadJob::onFinished);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        bool known = false;
        const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > m_maximumSize)
            fail(TooLarge, QStringLiteral("The file at %1 is %2 bytes, more than the %3 bytes accepted.")
                               .arg(m_url.toString())
                               .arg(announced)
                               .arg(m_maximumSize));
    });
}

void DownloadJob::onReadyRead()
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200)
        return; // an error page is not the file; onFinished reports the status
    const QByteArray chunk = m_reply->readAll();
    m_received += chunk.size();
    if (m_received > m_maximumSize) {
        fail(TooLarge, QStringLiteral("The file at %1 is larger than the %2 bytes accepted.")
                           .arg(m_url.toString())
                           .arg(m_maximumSize));
        return;
    }
    m_hash.addData(chunk);
    if (m_file) {
        if (m_file->write(chunk) != chunk.size())
            fail(FileError, QStringLiteral("Cannot write \"%1\": %2").arg(m_targetFile, m_file->errorString()));
        if (!m_reply)
            return;
    } else {
        m_data += chunk;
    }
    // QNetworkReply throttles its own progress signal, which can hide a
    // transfer that stalls after its first bytes.
    bool known = false;
    const qint64 total = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    emit progress(m_received, known ? total : -1);
}

void DownloadJob::onFinished()
{
    if (!m_reply)
        return;
    m_httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError netError = m_reply->error();
    if (m_httpStatus != 0 && m_httpStatus != 200) {
        fail(HttpError, QStringLiteral("The server answered %1 %2 for %3.")
                            .arg(m_httpStatus)
                            .arg(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                                 m_url.toString()));
        return;
    }
    if (netError == QNetworkReply::SslHandshakeFailedError) {
        fail(TlsError, QStringLiteral("The server's certificate could not be verified (%1).")
                           .arg(m_reply->errorString()));
        return;
    }
    // Bytes that arrived with the last notification are still to be taken.
    if (m_reply->bytesAvailable() > 0)
        onReadyRead();
    if (!m_reply)
        return;
    bool known = false;
    const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && announced != m_received) {
        fail(IncompleteBody, QStringLiteral("The download of %1 stopped after %2 of %3 bytes.")
                                 .arg(m_url.toString())
                                 .arg(m_received)
                                 .arg(announced));
        return;
    }
    if (netError != QNetworkReply::NoError) {
        fail(NetworkError,
             QStringLiteral("The download of %1 failed: %2").arg(m_url.toString(), m_reply->errorString()));
        return;
    }
    if (m_received == 0) {
        fail(EmptyBody, QStringLiteral("The server sent an empty file for %1.").arg(m_url.toString()));
        return;
    }
    if (!m_expectedSha256.isEmpty() && m_hash.result().toHex() != m_expectedSha256) {
        fail(ChecksumMismatch, QStringLiteral("The file from %1 does not match its SHA-256 checksum.")
                                   .arg(m_url.toString()));
        return;
    }
    if (m_file && !m_file->commit()) {
        const QString reason = m_file->errorString();
        m_file.reset();
        fail(FileError, QStringLiteral("Cannot write \"%1\": %2").arg(m_targetFile, reason));
        return;
    }
    m_file.reset();
    release();
    emit finished();
}

void DownloadJob::abort()
{
    if (!isRunning())
        return;
    fail(Aborted, QStringLiteral("The download of %1 was cancelled.").arg(m_url.toString()));
}

void DownloadJob::fail(Error error, const QString &text)
{
    m_error = error;
    m_errorString = text;
    m_data.clear();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset(); // removes the temporary file
    }
    release();
    emit finished();
}

void DownloadJob::release()
{
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    if (m_manager) {
        // The reply is deleted later; its manager must outlive it.
        m_manager.release()->deleteLater();
    }
}
