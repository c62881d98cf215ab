#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace ConfigFile {

// A strict JSON reader (RFC 8259) for files from outside. Unlike
// QJsonDocument it refuses an object that names a member twice (which one
// would count is anybody's guess, and Qt 5's parser leaks memory on them),
// text that is not UTF-8, and nesting deeper than MaxDepth.
class JsonParser
{
public:
    static constexpr int MaxDepth = 64;

    // Nothing, with errorString() saying why, for anything that is not one
    // JSON value surrounded by white space.
    [[nodiscard]] std::optional<QJsonValue> parse(const QByteArray &bytes);
    [[nodiscard]] QString errorString() const { return m_error; }

private:
    bool value(QJsonValue &out, int depth);
    bool object(QJsonValue &out, int depth);
    bool array(QJsonValue &out, int depth);
    bool string(QString &out);
    bool number(QJsonValue &out);
    bool literal(const char *word, const QJsonValue &meaning, QJsonValue &out);
    bool fail(const char *what);
    void skipSpace();
    [[nodiscard]] bool atEnd() const { return m_pos >= m_end; }
    [[nodiscard]] char peek() const { return atEnd() ? '\0' : m_data[m_pos]; }

    const char *m_data = nullptr;
    int m_pos = 0;
    int m_end = 0;
    QString m_error;
};

} // namespace ConfigFile
