#include "configfile/jsonparser.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSet>

#include <cmath>

namespace ConfigFile {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the well-formed UTF-8 sequence at p (lead byte >= 0x80), 0 if
// it is not one: no overlong forms, no surrogates, nothing above U+10FFFF.
int utf8Length(const unsigned char *p, int available)
{
    const unsigned char c = p[0];
    int length = 0;
    unsigned char min = 0x80, max = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            min = 0xA0;
        if (c == 0xED)
            max = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            min = 0x90;
        if (c == 0xF4)
            max = 0x8F;
    } else {
        return 0;
    }
    if (available < length || p[1] < min || p[1] > max)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

std::optional<QJsonValue> JsonParser::parse(const QByteArray &bytes)
{
    m_data = bytes.constData();
    m_pos = 0;
    m_end = bytes.size();
    m_error.clear();
    QJsonValue root;
    skipSpace();
    if (!value(root, 0))
        return std::nullopt;
    skipSpace();
    if (!atEnd()) {
        fail("text after the end of the document");
        return std::nullopt;
    }
    return root;
}

bool JsonParser::fail(const char *what)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1 at byte %2").arg(QLatin1String(what)).arg(m_pos);
    return false;
}

void JsonParser::skipSpace()
{
    while (!atEnd()) {
        const char c = m_data[m_pos];
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return;
        ++m_pos;
    }
}

bool JsonParser::value(QJsonValue &out, int depth)
{
    switch (peek()) {
    case '{':
        return object(out, depth + 1);
    case '[':
        return array(out, depth + 1);
    case '"': {
        QString text;
        if (!string(text))
            return false;
        out = text;
        return true;
    }
    case 't':
        return literal("true", true, out);
    case 'f':
        return literal("false", false, out);
    case 'n':
        return literal("null", QJsonValue(), out);
    default:
        return number(out);
    }
}

bool JsonParser::literal(const char *word, const QJsonValue &meaning, QJsonValue &out)
{
    const int length = int(qstrlen(word));
    if (m_end - m_pos < length || qstrncmp(m_data + m_pos, word, uint(length)) != 0)
        return fail("unexpected character");
    m_pos += length;
    out = meaning;
    return true;
}

bool JsonParser::object(QJsonValue &out, int depth)
{
    if (depth > MaxDepth)
        return fail("nested too deeply");
    ++m_pos; // {
    QJsonObject object;
    QSet<QString> names;
    skipSpace();
    if (peek() == '}') {
        ++m_pos;
        out = object;
        return true;
    }
    for (;;) {
        skipSpace();
        QString name;
        if (peek() != '"' || !string(name))
            return fail("member name expected");
        if (names.contains(name))
            return fail("member named twice");
        names.insert(name);
        skipSpace();
        if (peek() != ':')
            return fail("':' expected");
        ++m_pos;
        skipSpace();
        QJsonValue member;
        if (!value(member, depth))
            return false;
        object.insert(name, member);
        skipSpace();
        if (peek() == ',') {
            ++m_pos;
            continue;
        }
        if (peek() == '}') {
            ++m_pos;
            out = object;
            return true;
        }
        return fail("',' or '}' expected");
    }
}

bool JsonParser::array(QJsonValue &out, int depth)
{
    if (depth > MaxDepth)
        return fail("nested too deeply");
    ++m_pos; // [
    QJsonArray array;
    skipSpace();
    if (peek() == ']') {
        ++m_pos;
        out = array;
        return true;
    }
    for (;;) {
        skipSpace();
        QJsonValue element;
        if (!value(element, depth))
            return false;
        array.append(element);
        skipSpace();
        if (peek() == ',') {
            ++m_pos;
            continue;
        }
        if (peek() == ']') {
            ++m_pos;
            out = array;
            return true;
        }
        return fail("',' or ']' expected");
    }
}

bool JsonParser::string(QString &out)
{
    ++m_pos; // "
    // Member names and port names are plain ASCII: take them in one piece.
    for (int end = m_pos; end < m_end; ++end) {
        const unsigned char c = static_cast<unsigned char>(m_data[end]);
        if (c == '"') {
            out = QString::fromLatin1(m_data + m_pos, end - m_pos);
            m_pos = end + 1;
            return true;
        }
        if (c == '\\' || c < 0x20 || c >= 0x80)
            break;
    }
    QByteArray utf8;
    for (;;) {
        if (atEnd())
            return fail("unterminated text");
        const unsigned char c = static_cast<unsigned char>(m_data[m_pos]);
        if (c == '"') {
            ++m_pos;
            out = QString::fromUtf8(utf8);
            return true;
        }
        if (c < 0x20)
            return fail("control character in text");
        if (c >= 0x80) {
            const int length =
                utf8Length(reinterpret_cast<const unsigned char *>(m_data + m_pos), m_end - m_pos);
            if (length == 0)
                return fail("text that is not UTF-8");
            utf8.append(m_data + m_pos, length);
            m_pos += length;
            continue;
        }
        ++m_pos;
        if (c != '\\') {
            utf8.append(char(c));
            continue;
        }
        if (atEnd())
            return fail("unterminated text");
        const char escape = m_data[m_pos++];
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            utf8.append(escape);
            break;
        case 'b':
            utf8.append('\b');
            break;
        case 'f':
            utf8.append('\f');
            break;
        case 'n':
            utf8.append('\n');
            break;
        case 'r':
            utf8.append('\r');
            break;
        case 't':
            utf8.append('\t');
            break;
        case 'u': {
            const auto unit = [this]() -> int {
                if (m_end - m_pos < 4)
                    return -1;
                int v = 0;
                for (int i = 0; i < 4; ++i) {
                    const int d = hexDigit(m_data[m_pos + i]);
                    if (d < 0)
                        return -1;
                    v = v * 16 + d;
                }
                m_pos += 4;
                return v;
            };
            const int first = unit();
            if (first < 0)
                return fail("bad \\u escape");
            char32_t code = char32_t(first);
            if (first >= 0xD800 && first <= 0xDBFF) {
                if (m_end - m_pos < 2 || m_data[m_pos] != '\\' || m_data[m_pos + 1] != 'u')
                    return fail("lone surrogate");
                m_pos += 2;
                const int second = unit();
                if (second < 0xDC00 || second > 0xDFFF)
                    return fail("lone surrogate");
                code = 0x10000 + ((char32_t(first) - 0xD800) << 10) + (char32_t(second) - 0xDC00);
            } else if (first >= 0xDC00 && first <= 0xDFFF) {
                return fail("lone surrogate");
            }
            utf8.append(QString::fromUcs4(&code, 1).toUtf8());
            break;
        }
        default:
            return fail("bad escape");
        }
    }
}

bool JsonParser::number(QJsonValue &out)
{
    const int start = m_pos;
    if (peek() == '-')
        ++m_pos;
    if (peek() == '0') {
        ++m_pos;
    } else if (isDigit(peek())) {
        while (isDigit(peek()))
            ++m_pos;
    } else {
        return fail("unexpected character");
    }
    if (peek() == '.') {
        ++m_pos;
        if (!isDigit(peek()))
            return fail("digit expected");
        while (isDigit(peek()))
            ++m_pos;
    }
    if (peek() == 'e' || peek() == 'E') {
        ++m_pos;
        if (peek() == '+' || peek() == '-')
            ++m_pos;
        if (!isDigit(peek()))
            return fail("digit expected");
        while (isDigit(peek()))
            ++m_pos;
    }
    bool ok = false;
    const double d = QByteArray::fromRawData(m_data + start, m_pos - start).toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return fail("number out of range");
    out = d;
    return true;
}

} // namespace ConfigFile
