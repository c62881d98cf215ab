#pragma once

#include <QByteArray>
#include <QString>

// What the update server says about the newest version of the tool, and
// where the files for each platform live.
//
// The update text begins with "Velmora_V" and the version number; release
// notes follow "Update content:". A line "SHA256: <64 hex digits>" names the
// installer's digest; the installer must match it or is not started.
struct UpdateInfo
{
    enum class Platform { Windows, Linux, Mac };

    static const QString VersionPrefix; // "Velmora_V"

    bool found = false;          // a version stands at the very start
    QString latestVersionText;   // "Velmora_V2.1.0"
    QString latestVersion;       // "2.1.0"
    QString releaseNotes;        // without the SHA256 line
    QByteArray sha256;           // lower-case hex, empty when the text names none
    bool badSha256Line = false;  // a SHA256 line that is not 64 hex digits

    [[nodiscard]] static UpdateInfo parse(const QByteArray &utf8);

    // -1, 0 or 1: dotted numbers compared position by position over the
    // longer list; empty, missing or non-numeric parts count as 0.
    [[nodiscard]] static int compareVersions(const QString &a, const QString &b);
    // "V2.0.1" and "v2.0.1" give "2.0.1".
    [[nodiscard]] static QString versionNumber(const QString &versionText);

    [[nodiscard]] static Platform currentPlatform();
    [[nodiscard]] static QString updateTextPath(Platform platform);
    [[nodiscard]] static QString installerPath(Platform platform, const QString &version);
    // The name the installer is saved under in the download directory.
    [[nodiscard]] static QString installerFileName(Platform platform, const QString &version);
};
