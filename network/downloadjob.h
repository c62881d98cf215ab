#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSaveFile;

// One HTTPS GET, accepted only whole: the body must be as long as the
// announced Content-Length (where there is one), not empty, not above the
// caller's maximum, and match the expected SHA-256 when one is given. With a
// target file the body is streamed into a temporary file beside it that
// takes the final name only after every check has passed; on any failure or
// abort nothing is left behind. Each job has its own network access manager,
// discarded with the job.
class DownloadJob : public QObject
{
    Q_OBJECT

public:
    enum Error {
        NoError,
        InsecureUrl,      // not https://
        NetworkError,     // connection refused, reset, timed out...
        TlsError,         // the server's certificate was not trusted
        HttpError,        // a status other than 200
        IncompleteBody,   // fewer (or more) bytes than announced
        EmptyBody,
        TooLarge,
        ChecksumMismatch,
        FileError,        // the target could not be written
        Aborted,
    };
    Q_ENUM(Error)

    static constexpr qint64 DefaultMaximumSize = 16 * 1024 * 1024;
    static constexpr int DefaultTimeoutMs = 30000;

    explicit DownloadJob(const QUrl &url, const QSslConfiguration &ssl, QObject *parent = nullptr);
    ~DownloadJob() override;

    void setMaximumSize(qint64 bytes) { m_maximumSize = bytes; }
    // 64 hex digits; an empty value means no check.
    void setExpectedSha256(const QByteArray &hex) { m_expectedSha256 = hex.trimmed().toLower(); }
    void setTargetFile(const QString &path) { m_targetFile = path; }
    // Longest silence on the connection before the job gives up.
    void setTimeout(int ms) { m_timeoutMs = ms; }

    // A job that cannot start (not https://, target not writable) finishes
    // before start() returns.
    void start();
    // Stops the transfer; finished() is emitted (with Aborted) before this returns.
    void abort();

    [[nodiscard]] bool isRunning() const { return m_reply != nullptr; }
    [[nodiscard]] QUrl url() const { return m_url; }
    [[nodiscard]] Error error() const { return m_error; }
    [[nodiscard]] QString errorString() const { return m_errorString; }
    [[nodiscard]] int httpStatus() const { return m_httpStatus; }
    // The body, when no target file was given and the job succeeded.
    [[nodiscard]] QByteArray data() const { return m_data; }
    [[nodiscard]] QString targetFile() const { return m_targetFile; }

signals:
    void progress(qint64 received, qint64 total);
    void finished();

private:
    void onReadyRead();
    void onFinished();
    void fail(Error error, const QString &text);
    void succeed();
    void release();

    const QUrl m_url;
    const QSslConfiguration m_ssl;
    qint64 m_maximumSize = DefaultMaximumSize;
    QByteArray m_expectedSha256;
    QString m_targetFile;
    int m_timeoutMs = DefaultTimeoutMs;

    std::unique_ptr<QNetworkAccessManager> m_manager;
    QNetworkReply *m_reply = nullptr;
    std::unique_ptr<QSaveFile> m_file;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    qint64 m_received = 0;
    QByteArray m_data;
    Error m_error = NoError;
    QString m_errorString;
    int m_httpStatus = 0;
};
