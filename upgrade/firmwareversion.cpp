#include "upgrade/firmwareversion.h"

#include "device/devicemodels.h"

#include <QRegularExpression>

namespace FirmwareVersion {

namespace {

QString joined(const QList<int> &parts)
{
    QStringList texts;
    for (int n : parts)
        texts.append(QString::number(n));
    return texts.join(QLatin1Char('.'));
}

QString red(const QString &text)
{
    return QStringLiteral("<font color=\"red\">%1</font>").arg(text);
}

} // namespace

QString updateTextPath(const QString &product)
{
    QString name = product;
    for (const DeviceModels::DeviceModel &m : DeviceModels::all()) {
        if (m.updateProduct == product)
            name = m.updateTextName;
    }
    return QStringLiteral("/download/Product/%1/Update/%2_Update.txt").arg(product, name);
}

QString imagePath(const QString &product, const QString &latestVersion)
{
    return QStringLiteral("/download/Product/%1/Update/%2.bin").arg(product, latestVersion);
}

QString latestVersion(const QString &updateText, const QString &product)
{
    const QRegularExpression pattern(QStringLiteral("^(%1_V[\\d\\.]+)").arg(product));
    return pattern.match(updateText).captured(1);
}

QString description(const QString &updateText)
{
    static const QRegularExpression pattern(QStringLiteral("Update content:\\s*(.*)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(updateText).captured(1);
}

QList<int> numbers(const QString &version, bool keepEmpty)
{
    const int v = version.indexOf(QLatin1Char('V'));
    if (v < 0)
        return {};
    QList<int> out;
    const QStringList parts = version.mid(v + 1).split(QLatin1Char('.'));
    for (const QString &part : parts) {
        if (part.isEmpty() && !keepEmpty)
            continue;
        bool ok = false;
        const int n = part.toInt(&ok, 10);
        out.append(ok ? n : 0);
    }
    return out;
}

bool serverNewer(const QList<int> &current, const QList<int> &server)
{
    const int length = qMax(current.size(), server.size());
    for (int i = 0; i < length; ++i) {
        const int c = current.value(i, 0);
        const int s = server.value(i, 0);
        if (c != s)
            return s > c;
    }
    return false;
}

bool serverNewerMajorMinor(const QString &current, const QString &latest)
{
    return serverNewer(numbers(current, false).mid(0, 2), numbers(latest, false).mid(0, 2));
}

Verdict judge(const QString &product, const QString &reportedVersion, const QString &updateText,
              Comparison comparison)
{
    Verdict v;
    v.latest = latestVersion(updateText, product);
    v.description = description(updateText).trimmed();
    const QList<int> current = numbers(reportedVersion, true);
    const QList<int> server = numbers(v.latest, true);
    v.newer = !v.latest.isEmpty()
        && (comparison == Comparison::EveryNumber ? serverNewer(current, server)
                                                  : serverNewerMajorMinor(reportedVersion, v.latest));
    if (v.newer) {
        v.log << QStringLiteral("Update check result: new version found.")
              << QStringLiteral("Current version: %1").arg(reportedVersion)
              << QStringLiteral("Latest version from server: %1").arg(v.latest);
        return v;
    }
    v.log << QStringLiteral("Update check result: no new version will be installed.")
          << QStringLiteral("Product: %1").arg(product)
          << QStringLiteral("Device reported current version: [%1]").arg(reportedVersion)
          << QStringLiteral("Server parsed latest version: [%1]").arg(v.latest);
    if (reportedVersion.isEmpty())
        v.log << red(QStringLiteral("Reason: device current version is empty."));
    if (v.latest.isEmpty()) {
        v.log << red(QStringLiteral("Reason: failed to parse latest version from server text."))
              << QStringLiteral("Possible causes:") << QStringLiteral("1. The update txt format has changed.")
              << QStringLiteral("2. The product name in txt does not match expected pattern.")
              << QStringLiteral("3. The regular expression did not match any version string.")
              << QStringLiteral("Raw server text preview:") << updateText.left(500).toHtmlEscaped();
    } else if (current.isEmpty()) {
        v.log << red(QStringLiteral("Reason: failed to parse current device version into numeric parts."))
              << QStringLiteral("Current version raw string: [%1]").arg(reportedVersion);
    } else if (server.isEmpty()) {
        v.log << red(QStringLiteral("Reason: failed to parse server version into numeric parts."))
              << QStringLiteral("Server version raw string: [%1]").arg(v.latest);
    } else {
        v.log << QStringLiteral("Parsed current version parts: %1").arg(joined(current))
              << QStringLiteral("Parsed server version parts: %1").arg(joined(server));
        if (current == server)
            v.log << QStringLiteral("Reason: current version is equal to server version.");
        else if (serverNewer(server, current))
            v.log << QStringLiteral("Reason: device version is newer than server version.");
        else
            v.log << QStringLiteral("Reason: comparison did not detect a newer server version.");
    }
    return v;
}

bool looksLikeText(const QByteArray &body)
{
    if (body.isEmpty())
        return false;
    for (char c : body) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            return false;
    }
    // Invalid UTF-8 decodes to replacement characters.
    return !QString::fromUtf8(body).contains(QChar::ReplacementCharacter);
}

} // namespace FirmwareVersion
