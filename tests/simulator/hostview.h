#pragma once

#include "device/sysexframecutter.h"
#include "device/textframecutter.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QVector>

// Reads device bytes the way the application does: System Exclusive frames
// through SysExFrameCutter, text frames through TextFrameCutter. What the
// host would see is kept as one line per report, e.g. "PortCounts" or "MTD Alder-4".
class HostView : public QObject
{
public:
    HostView()
    {
        connect(&sysExCutter, &SysExFrameCutter::frameReceived, this, [this](FrameKind kind, const QByteArray &frame) {
            kinds << QString::fromLatin1(frameKindName(kind));
            frames << frame;
        });
        connect(&text, &TextFrameCutter::modelReceived, this, [this](const QString &m) { texts << "MTD " + m; });
        connect(&text, &TextFrameCutter::versionReceived, this, [this](const QString &v) { texts << "VER " + v; });
        connect(&text, &TextFrameCutter::eraseFinished, this, [this](bool) { texts << QStringLiteral("ERASE"); });
        connect(&text, &TextFrameCutter::chunkAcknowledged, this,
                [this](int n) { texts << QStringLiteral("ACK %1").arg(n); });
        connect(&text, &TextFrameCutter::unrecognisedTextFrame, this,
                [this](const QByteArray &f) { texts << "SHOW " + QString::fromLatin1(f.toHex()); });
    }

    void feed(const QByteArray &bytes)
    {
        raw += bytes;
        text.feed(bytes);
        sysExCutter.feed(bytes);
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

    SysExFrameCutter sysExCutter;
    TextFrameCutter text;
    QByteArray raw;
    QStringList kinds;
    QVector<QByteArray> frames;
    QStringList texts;
};
