#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

// Where the maker's update server is and whom to trust there. The address
// comes from the key "updateServer" of the settings file, or from the
// environment variable VELMORA_UPDATE_SERVER, which wins (tests and staging
// servers); without either the maker's host is used. Only https:// is
// accepted: a plain http:// address is refused, never downgraded to.
//
// VELMORA_UPDATE_CA_FILE names extra certificate authorities (PEM). With a
// server from the settings file they are trusted besides the system's; with a
// server from the environment they are the only ones trusted, so a test can
// never pass against a certificate the machine happens to trust.
class UpdateServer
{
public:
    static const QString SettingsKey;  // "updateServer"
    static const QString DefaultHost;  // the maker's host
    static const char ServerVariable[]; // "VELMORA_UPDATE_SERVER"
    static const char CaFileVariable[]; // "VELMORA_UPDATE_CA_FILE"

    // Reads the settings file (INI) at settingsPath and the environment.
    [[nodiscard]] static UpdateServer fromSettings(const QString &settingsPath);
    // From an address as a user would write it: "host", "host:port" or
    // "https://host[:port][/prefix]".
    [[nodiscard]] static UpdateServer fromAddress(const QString &address);

    [[nodiscard]] bool isValid() const { return m_error.isEmpty(); }
    [[nodiscard]] QString errorString() const { return m_error; }
    [[nodiscard]] QUrl baseUrl() const { return m_base; }
    // The address of a server path such as "/download/Product/...".
    [[nodiscard]] QUrl url(const QString &path) const;

    void addCaCertificates(const QList<QSslCertificate> &certificates, bool only);
    [[nodiscard]] QSslConfiguration sslConfiguration() const;

private:
    QUrl m_base;
    QString m_error;
    QList<QSslCertificate> m_extraCas;
    bool m_extraCasOnly = false;
};
