#include "update/updateinfo.h"

#include <QRegularExpression>
#include <QStringList>

const QString UpdateInfo::VersionPrefix = QStringLiteral("Velmora_V");

namespace {
const QLatin1String UpdateFolder("/download/Product/Velmora/Update/");

QString platformName(UpdateInfo::Platform platform)
{
    switch (platform) {
    case UpdateInfo::Platform::Windows: return QStringLiteral("Win");
    case UpdateInfo::Platform::Linux: return QStringLiteral("Linux");
    case UpdateInfo::Platform::Mac: return QStringLiteral("Mac");
    }
    return {};
}

QString installerSuffix(UpdateInfo::Platform platform)
{
    switch (platform) {
    case UpdateInfo::Platform::Windows: return QStringLiteral(".exe");
    case UpdateInfo::Platform::Linux: return QStringLiteral(".deb");
    case UpdateInfo::Platform::Mac: return QStringLiteral(".dmg");
    }
    return {};
}
} // namespace

UpdateInfo UpdateInfo::parse(const QByteArray &utf8)
{
    UpdateInfo info;
    const QString text = QString::fromUtf8(utf8);
    static const QRegularExpression version(QStringLiteral("^(Velmora_V[\\d\\.]+)"));
    const QRegularExpressionMatch versionMatch = version.match(text);
    if (!versionMatch.hasMatch())
        return info;
    info.found = true;
    info.latestVersionText = versionMatch.captured(1);
    info.latestVersion = info.latestVersionText.mid(VersionPrefix.size());

    static const QRegularExpression shaLine(QStringLiteral("^[ \\t]*SHA256:[ \\t]*(\\S*)[ \\t]*\\r?$\\n?"),
                                            QRegularExpression::MultilineOption
                                                | QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hex64(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    const QRegularExpressionMatch shaMatch = shaLine.match(text);
    if (shaMatch.hasMatch()) {
        const QString digest = shaMatch.captured(1);
        if (hex64.match(digest).hasMatch())
            info.sha256 = digest.toLatin1().toLower();
        else
            info.badSha256Line = true;
    }

    static const QRegularExpression notes(QStringLiteral("Update content:\\s*(.*)"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch notesMatch = notes.match(text);
    if (notesMatch.hasMatch()) {
        // The digest is for the tool, not for the reader.
        info.releaseNotes = notesMatch.captured(1);
        info.releaseNotes.remove(shaLine);
    }
    return info;
}

int UpdateInfo::compareVersions(const QString &a, const QString &b)
{
    const QStringList left = a.split(QLatin1Char('.'));
    const QStringList right = b.split(QLatin1Char('.'));
    for (int i = 0; i < qMax(left.size(), right.size()); ++i) {
        // toULongLong leaves 0 for anything that is not a number.
        const qulonglong x = left.value(i).toULongLong();
        const qulonglong y = right.value(i).toULongLong();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

QString UpdateInfo::versionNumber(const QString &versionText)
{
    if (versionText.startsWith(QLatin1Char('V')) || versionText.startsWith(QLatin1Char('v')))
        return versionText.mid(1);
    return versionText;
}

UpdateInfo::Platform UpdateInfo::currentPlatform()
{
#if defined(Q_OS_WIN)
    return Platform::Windows;
#elif defined(Q_OS_MACOS)
    return Platform::Mac;
#else
    return Platform::Linux;
#endif
}

QString UpdateInfo::updateTextPath(Platform platform)
{
    return UpdateFolder + QStringLiteral("Velmora_Update_") + platformName(platform) + QStringLiteral(".txt");
}

QString UpdateInfo::installerPath(Platform platform, const QString &version)
{
    return UpdateFolder + VersionPrefix + version + installerSuffix(platform);
}

QString UpdateInfo::installerFileName(Platform platform, const QString &version)
{
    return version + installerSuffix(platform);
}
