#include "network/updateserver.h"

#include <QSettings>
#include <QSslSocket>

const QString UpdateServer::SettingsKey = QStringLiteral("updateServer");
const QString UpdateServer::DefaultHost = QStringLiteral("https://update.kestrova.com");
const char UpdateServer::ServerVariable[] = "VELMORA_UPDATE_SERVER";
const char UpdateServer::CaFileVariable[] = "VELMORA_UPDATE_CA_FILE";

UpdateServer UpdateServer::fromAddress(const QString &address)
{
    UpdateServer server;
    const QString text = address.trimmed();
    const QUrl url = QUrl(text.contains(QLatin1String("://")) ? text : QStringLiteral("https://") + text,
                          QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty()) {
        server.m_error = QStringLiteral("The update server address \"%1\" is not a valid address.").arg(text);
    } else if (url.scheme() != QLatin1String("https")) {
        server.m_error = QStringLiteral("The update server address \"%1\" is refused: only https:// addresses "
                                        "are used, so that downloads are verified.")
                             .arg(text);
    } else if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment()) {
        server.m_error = QStringLiteral("The update server address \"%1\" must be a plain https:// address "
                                        "without user, query or fragment.")
                             .arg(text);
    } else {
        QUrl base = url;
        QString path = base.path();
        while (path.endsWith(QLatin1Char('/')))
            path.chop(1);
        base.setPath(path);
        server.m_base = base;
    }
    return server;
}

UpdateServer UpdateServer::fromSettings(const QString &settingsPath)
{
    const QString fromEnvironment = qEnvironmentVariable(ServerVariable).trimmed();
    QString address = fromEnvironment;
    if (address.isEmpty()) {
        const QSettings settings(settingsPath, QSettings::IniFormat);
        address = settings.value(SettingsKey).toString().trimmed();
    }
    UpdateServer server = fromAddress(address.isEmpty() ? DefaultHost : address);

    const QString caFile = qEnvironmentVariable(CaFileVariable);
    if (server.isValid() && !caFile.isEmpty()) {
        const auto cas = QSslCertificate::fromPath(caFile, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
        if (cas.isEmpty())
            server.m_error = QStringLiteral("The certificate file \"%1\" named by %2 holds no readable "
                                            "certificate.")
                                 .arg(caFile, QLatin1String(CaFileVariable));
        else
            server.addCaCertificates(cas, !fromEnvironment.isEmpty());
    }
    return server;
}

QUrl UpdateServer::url(const QString &path) const
{
    if (!isValid())
        return {};
    QUrl url = m_base;
    url.setPath(m_base.path() + (path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path));
    return url;
}

void UpdateServer::addCaCertificates(const QList<QSslCertificate> &certificates, bool only)
{
    m_extraCas += certificates;
    m_extraCasOnly = only;
}

QSslConfiguration UpdateServer::sslConfiguration() const
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (m_extraCasOnly)
        config.setCaCertificates(m_extraCas);
    else if (!m_extraCas.isEmpty())
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + m_extraCas);
    return config;
}
