#pragma once

#include "network/updateserver.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class DownloadJob;

// The upgrade dialog's requests to the update server: one GET at a time,
// retried at once on failure while retries are left. An image is accepted
// only whole (announced length, at most 16 MiB, not empty) and binary; a
// text body is an error page, not firmware.
class OnlineFirmware : public QObject
{
    Q_OBJECT

public:
    enum class Kind { UpdateText, Image };
    Q_ENUM(Kind)

    static constexpr int Retries = 3;

    explicit OnlineFirmware(const UpdateServer &server, QObject *parent = nullptr);
    ~OnlineFirmware() override;

    void setServer(const UpdateServer &server) { m_server = server; }
    [[nodiscard]] const UpdateServer &server() const { return m_server; }
    [[nodiscard]] bool isBusy() const { return !m_job.isNull(); }

    // GETs the server path; retriesLeft more attempts follow a failure.
    void request(Kind kind, const QString &path, int retriesLeft = Retries);
    void abort();

    // Why a finished download is not taken; empty when it is.
    [[nodiscard]] static QString rejection(Kind kind, const QByteArray &body);

signals:
    void logMessage(const QString &html);
    void received(OnlineFirmware::Kind kind, const QByteArray &body);
    // The last attempt failed too.
    void failed(OnlineFirmware::Kind kind, const QString &reason);

private:
    void onFinished(DownloadJob *job, Kind kind, const QString &path, int retriesLeft);

    UpdateServer m_server;
    QPointer<DownloadJob> m_job;
};
