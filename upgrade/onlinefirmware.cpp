#include "upgrade/onlinefirmware.h"

#include "network/downloadjob.h"

OnlineFirmware::OnlineFirmware(const UpdateServer &server, QObject *parent)
    : QObject(parent)
    , m_server(server)
{
}

OnlineFirmware::~OnlineFirmware()
{
    abort();
}

QString OnlineFirmware::rejection(Kind kind, const QByteArray &body)
{
    if (kind == Kind::Image && FirmwareVersion::looksLikeText(body))
        return QStringLiteral("The server sent text instead of a firmware image.");
    return QString();
}

QString OnlineFirmware::downloadFailedText(const QString &reason)
{
    // "... Not Found." must not run into ". Nothing was written".
    QString why = reason.trimmed();
    while (why.endsWith(QLatin1Char('.')))
        why.chop(1);
    return QStringLiteral("The firmware download failed: %1. Nothing was written to the device.").arg(why);
}

void OnlineFirmware::check(const QString &product, const QString &updateTextPath, const QString &currentVersion,
                           FirmwareVersion::Comparison comparison)
{
    m_checked = Offer{};
    m_checked.product = product;
    m_checked.currentVersion = currentVersion;
    m_comparison = comparison;
    request(Kind::UpdateText, updateTextPath, Retries);
}

void OnlineFirmware::download(const Offer &offer)
{
    request(Kind::Image, offer.imagePath, Retries);
}

void OnlineFirmware::request(Kind kind, const QString &path, int retriesLeft)
{
    abort();
    if (!m_server.isValid()) {
        emit logMessage(QStringLiteral("Network error: %1").arg(m_server.errorString()));
        emit failed(kind, m_server.errorString());
        return;
    }
    auto *job = new DownloadJob(m_server.url(path), m_server.sslConfiguration(), this);
    m_job = job;
    connect(job, &DownloadJob::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0)
            emit logMessage(QStringLiteral("Download progress: %1%").arg(received * 100 / total));
    });
    connect(job, &DownloadJob::finished, this,
            [this, job, kind, path, retriesLeft] { onFinished(job, kind, path, retriesLeft); });
    job->start();
}

void OnlineFirmware::abort()
{
    if (DownloadJob *job = m_job.data()) {
        m_job.clear();
        job->disconnect(this);
        job->abort();
        job->deleteLater();
    }
}

void OnlineFirmware::onFinished(DownloadJob *job, Kind kind, const QString &path, int retriesLeft)
{
    if (m_job != job)
        return;
    m_job.clear();
    job->deleteLater();
    QString reason = job->error() == DownloadJob::NoError ? rejection(kind, job->data()) : job->errorString();
    if (reason.isEmpty()) {
        if (kind == Kind::Image)
            emit imageReceived(job->data());
        else
            onUpdateText(job->data());
        return;
    }
    emit logMessage(QStringLiteral("Network error: %1").arg(reason));
    if (retriesLeft <= 0) {
        emit failed(kind, reason);
        return;
    }
    emit logMessage(QStringLiteral("Retrying... (%1 attempts left)").arg(retriesLeft - 1));
    request(kind, path, retriesLeft - 1);
}

void OnlineFirmware::onUpdateText(const QByteArray &body)
{
    const QString text = QString::fromUtf8(body);
    const FirmwareVersion::Verdict verdict =
        FirmwareVersion::judge(m_checked.product, m_checked.currentVersion, text, m_comparison);
    for (const QString &line : verdict.log)
        emit logMessage(line);
    if (!verdict.newer) {
        emit noUpdate(verdict, text);
        return;
    }
    Offer offer = m_checked;
    offer.latestVersion = verdict.latest;
    offer.description = FirmwareVersion::description(text);
    offer.imagePath = FirmwareVersion::imagePath(offer.product, offer.latestVersion);
    emit updateAvailable(offer);
}
