#pragma once

#include "device/fifobuffer.h"
#include "device/textframecutter.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QVector>

// Reads device bytes the way the application does: System Exclusive frames
// through FiFoBuffer, text frames through TextFrameCutter. What the host would
// see is kept as one line per report, e.g. "FEED_BACK_PORT_COUNT" or "MTD Alder-4".
class HostView : public QObject
{
public:
    HostView()
    {
        connect(&fifo, &FiFoBuffer::currDataFrame, this, [this](Feedbacktype type, const QByteArray &frame) {
            kinds << QString::fromLatin1(feedbackTypeName(type));
            frames << frame;
        });
        connect(&text, &TextFrameCutter::send_MTD, this, [this](const QString &m) { texts << "MTD " + m; });
        connect(&text, &TextFrameCutter::send_vesion, this, [this](const QString &v) { texts << "VER " + v; });
        connect(&text, &TextFrameCutter::send_erase, this, [this](bool) { texts << QStringLiteral("ERASE"); });
        connect(&text, &TextFrameCutter::send_upgrade_chunk_ack, this,
                [this](int n) { texts << QStringLiteral("ACK %1").arg(n); });
        connect(&text, &TextFrameCutter::showdata, this,
                [this](const QByteArray &f) { texts << "SHOW " + QString::fromLatin1(f.toHex()); });
    }

    void feed(const QByteArray &bytes)
    {
        raw += bytes;
        text.feed(bytes);
        fifo.writeData(bytes);
    }

    void clear()
    {
        raw.clear();
        kinds.clear();
        frames.clear();
        texts.clear();
    }

    // Frames that were reported as the given kind.
    QVector<QByteArray> framesOf(const char *kind) const
    {
        QVector<QByteArray> out;
        for (int i = 0; i < kinds.size(); ++i) {
            if (kinds.at(i) == QLatin1String(kind))
                out << frames.at(i);
        }
        return out;
    }

    FiFoBuffer fifo;
    TextFrameCutter text;
    QByteArray raw;
    QStringList kinds;
    QVector<QByteArray> frames;
    QStringList texts;
};
