#pragma once

#include "network/updateserver.h"
#include "upgrade/firmwareversion.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class DownloadJob;

// The online firmware check, for the upgrade dialog and the main window
// alike: the update text is fetched, read and weighed against the device's
// version, and on request the image is fetched. One GET at a time, retried at
// once on failure while retries are left. An image is accepted only whole
// (announced length, at most 16 MiB, not empty) and binary; a text body is an
// error page, not firmware.
class OnlineFirmware : public QObject
{
    Q_OBJECT

public:
    enum class Kind { UpdateText, Image };
    Q_ENUM(Kind)

    // A newer image the server offers for a device.
    struct Offer
    {
        QString product;
        QString currentVersion;
        QString latestVersion; // "<product>_V1.3.0"
        QString description;   // as the text has it, untrimmed
        QString imagePath;
    };

    static constexpr int Retries = 3;

    explicit OnlineFirmware(const UpdateServer &server, QObject *parent = nullptr);
    ~OnlineFirmware() override;

    void setServer(const UpdateServer &server) { m_server = server; }
    [[nodiscard]] const UpdateServer &server() const { return m_server; }
    [[nodiscard]] bool isBusy() const { return !m_job.isNull(); }

    // Fetches the update text at updateTextPath and weighs it against the
    // device's currentVersion; ends in updateAvailable(), noUpdate() or
    // failed(UpdateText).
    void check(const QString &product, const QString &updateTextPath, const QString &currentVersion,
               FirmwareVersion::Comparison comparison);
    // Fetches the offer's image; ends in imageReceived() or failed(Image).
    void download(const Offer &offer);
    void abort();

    // Why a finished download is not taken; empty when it is.
    [[nodiscard]] static QString rejection(Kind kind, const QByteArray &body);
    // What the user reads when the image could not be fetched after "Update
    // Available" was accepted, on either path.
    [[nodiscard]] static QString downloadFailedText(const QString &reason);

signals:
    void logMessage(const QString &html);
    void updateAvailable(const OnlineFirmware::Offer &offer);
    // The server has nothing newer (or its text cannot be read); the verdict
    // says why.
    void noUpdate(const FirmwareVersion::Verdict &verdict, const QString &updateText);
    void imageReceived(const QByteArray &image);
    // The last attempt failed too.
    void failed(OnlineFirmware::Kind kind, const QString &reason);

private:
    void request(Kind kind, const QString &path, int retriesLeft);
    void onFinished(DownloadJob *job, Kind kind, const QString &path, int retriesLeft);
    void onUpdateText(const QByteArray &body);

    UpdateServer m_server;
    QPointer<DownloadJob> m_job;
    Offer m_checked; // product and current version of the check under way
    FirmwareVersion::Comparison m_comparison = FirmwareVersion::Comparison::EveryNumber;
};
