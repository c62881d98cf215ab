#include "device/textframecutter.h"

#include "device/logging.h"

#include <QRegularExpression>

namespace {
constexpr char FirstHeadByte = '\xAA';
constexpr int HeadAndLength = 3;
constexpr int Overhead = 5; // AA CC N ... 0D 0A
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

    static const QRegularExpression modelPattern(QStringLiteral("([A-Za-z0-9]+-\\d+)"));
    static const QRegularExpression versionPattern(QStringLiteral("V\\d+(\\.\\d+)+"));
    static const QRegularExpression countPattern(QStringLiteral("^\\d{1,3}$"));

    if (const auto m = modelPattern.match(text); m.hasMatch()) {
        m_lastModel = m.captured(1);
        emit modelReceived(m_lastModel);
        return;
    }
    if (const auto m = versionPattern.match(text); m.hasMatch()) {
        m_lastVersion = m.captured(0);
        emit versionReceived(m_lastVersion);
        emit modelAndVersionReceived(m_lastVersion, m_lastModel);
        return;
    }
    if (text.contains(QLatin1String("ERASE END"), Qt::CaseInsensitive)) {
        emit eraseFinished(true);
        return;
    }
    if (countPattern.match(text).hasMatch()) {
        const int count = text.toInt();
        if (count > 0)
            emit chunkAcknowledged(count);
        else
            emit unrecognisedTextFrame(frame);
        return;
    }
    emit unrecognisedTextFrame(frame);
}
