#include "device/textframecutter.h"

#include "device/logging.h"

#include <utility>

namespace {
constexpr char FirstHeadByte = '\xAA';
constexpr int HeadAndLength = 3;
constexpr int Overhead = 5; // AA CC N ... 0D 0A

// The replies are read by hand rather than with regular expressions: the
// expression engine and its compiled code cost half a megabyte of memory to
// read three short replies at each connection. Digits and letters are ASCII
// only, as they were for the expressions.
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isLetterOrDigit(QChar c)
{
    return isDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
}

int endOfDigits(const QString &text, int from)
{
    int end = from;
    while (end < text.size() && isDigit(text.at(end)))
        ++end;
    return end;
}

// The first model name in the text: letters and digits, a hyphen, digits
// ("Alder-4"); empty if there is none.
QString findModel(const QString &text)
{
    int start = 0;
    while (start < text.size()) {
        if (!isLetterOrDigit(text.at(start))) {
            ++start;
            continue;
        }
        // A name can only start where a run of letters and digits does, and
        // its hyphen can only be the one that ends the run.
        int hyphen = start;
        while (hyphen < text.size() && isLetterOrDigit(text.at(hyphen)))
            ++hyphen;
        if (hyphen + 1 < text.size() && text.at(hyphen) == QLatin1Char('-') && isDigit(text.at(hyphen + 1)))
            return text.mid(start, endOfDigits(text, hyphen + 1) - start);
        start = hyphen;
    }
    return {};
}

// The first version in the text: "V", digits, then one or more groups of a
// dot and digits ("V1.2.0"); empty if there is none.
QString findVersion(const QString &text)
{
    for (int v = text.indexOf(QLatin1Char('V')); v >= 0; v = text.indexOf(QLatin1Char('V'), v + 1)) {
        int end = endOfDigits(text, v + 1);
        if (end == v + 1)
            continue;
        bool dotted = false;
        while (end + 1 < text.size() && text.at(end) == QLatin1Char('.') && isDigit(text.at(end + 1))) {
            end = endOfDigits(text, end + 1);
            dotted = true;
        }
        if (dotted)
            return text.mid(v, end - v);
    }
    return {};
}

// One to three digits and nothing else but, perhaps, a final line feed.
bool isCount(const QString &text)
{
    const int digits = text.endsWith(QLatin1Char('\n')) ? text.size() - 1 : text.size();
    if (digits < 1 || digits > 3)
        return false;
    for (int i = 0; i < digits; ++i) {
        if (!isDigit(text.at(i)))
            return false;
    }
    return true;
}

} // namespace

TextFrameCutter::TextFrameCutter(QObject *parent)
    : QObject(parent)
{
}

void TextFrameCutter::feed(const QByteArray &bytes)
{
    m_received.append(bytes);
    cut();
}

void TextFrameCutter::clear()
{
    m_received.clear();
    m_head = 0;
}

void TextFrameCutter::cut()
{
    if (m_cutting)
        return; // a handler that received more bytes: the running loop takes them
    m_cutting = true;

    static const QByteArray head("\xAA\xCC", 2);
    while (m_head < m_received.size()) {
        const int at = m_received.indexOf(head, m_head);
        if (at < 0) {
            // A head split across two reads: keep its first byte for the next read.
            const bool keepLast = m_received.endsWith(FirstHeadByte);
            m_head = keepLast ? m_received.size() - 1 : m_received.size();
            break;
        }
        m_head = at;
        const int available = m_received.size() - m_head;
        if (available < HeadAndLength)
            break;
        const int n = static_cast<unsigned char>(m_received.at(m_head + 2));
        if (available < n + Overhead)
            break;
        const QByteArray frame = m_received.mid(m_head, n + Overhead);
        m_head += n + Overhead;
        if (frame.at(n + 3) == '\x0D' && frame.at(n + 4) == '\x0A') {
            qCDebug(lcSerial) << "FRAME:" << frame.toHex(' ');
            handleFrame(frame);
        } else {
            qCDebug(lcSerial) << "Bad frame tail, drop:" << frame.toHex(' ');
        }
    }
    if (m_head > 0) {
        m_received.remove(0, m_head);
        m_head = 0;
    }
    m_cutting = false;
}

void TextFrameCutter::handleFrame(const QByteArray &frame)
{
    const int n = static_cast<unsigned char>(frame.at(2));
    const QString text = QString::fromUtf8(frame.constData() + 3, n);
    qCDebug(lcSerial) << "PAYLOAD text:" << text;

    if (QString model = findModel(text); !model.isEmpty()) {
        m_lastModel = std::move(model);
        emit modelReceived(m_lastModel);
        return;
    }
    if (QString version = findVersion(text); !version.isEmpty()) {
        m_lastVersion = std::move(version);
        emit versionReceived(m_lastVersion);
        emit modelAndVersionReceived(m_lastVersion, m_lastModel);
        return;
    }
    if (text.contains(QLatin1String("ERASE END"), Qt::CaseInsensitive)) {
        emit eraseFinished(true);
        return;
    }
    if (isCount(text)) {
        const int count = text.toInt();
        if (count > 0)
            emit chunkAcknowledged(count);
        else
            emit unrecognisedTextFrame(frame);
        return;
    }
    emit unrecognisedTextFrame(frame);
}
