#pragma once

#include "device/feedbacktype.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

// Cuts the System Exclusive frames (F0 .. first F7) out of the received byte
// stream and classifies each one. A frame may be reported up to three times:
// the length rule first, then the mapping rule, then the name rule.
class FiFoBuffer : public QObject
{
    Q_OBJECT

public:
    // No frame the device sends comes near this; an F0 followed by more bytes
    // than this without an F7 is noise, not a frame in progress.
    static constexpr int MaxPendingFrameBytes = 4096;

    explicit FiFoBuffer(QObject *parent = nullptr);

    void writeData(const QByteArray &data);
    void parsingData();
    void clear();

    // Bytes held back for a frame that is not complete yet.
    [[nodiscard]] int pendingBytes() const { return m_buffer.size() - m_head; }

    // The classification of one whole frame, in the order it is reported.
    [[nodiscard]] static QVector<Feedbacktype> classify(const QByteArray &frame);

signals:
    void currDataFrame(Feedbacktype type, QByteArray frame);

private:
    // The hot path: no allocation per frame. Returns how many kinds it wrote.
    static int classifyInto(const QByteArray &frame, Feedbacktype (&kinds)[3]);
    void compact();

    QByteArray m_buffer;
    int m_head = 0;          // first byte not yet consumed
    int m_searchedUpTo = 0;  // bytes after m_head already known to hold no F7
    bool m_parsing = false;  // a handler that reads more bytes must not re-enter
};
