#pragma once

#include "device/localdevice.h"
#include "simulator/deviceprofile.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QPair>
#include <QQueue>
#include <QVector>

#include <cstdint>

class QTimer;

// One of the maker's devices without the hardware: host bytes go in through
// receive(), in chunks of any size, and the device's answers come out through
// transmit(). It keeps the state a device keeps (routes, filters, mappings)
// and answers as the firmware does. No I/O happens here; SimulatedDevicePort
// connects it to a pseudo-terminal, and the window's offline editing talks to
// it in-process.
//
// What it answers (running firmware):
//
// | host sends                          | device answers                                        |
// |-------------------------------------|-------------------------------------------------------|
// | AA CC 02 00 01 0D 0A                | text frame with the model text ("Alder-4")            |
// | AA CC 02 00 03 0D 0A                | text frame with the version text ("V1.2.0")           |
// | AA CC 02 00 09 0D 0A                | nothing; rebootingToBootloader(), then it serves as   |
// |                                     | the bootloader profile                                |
// | query 1                             | 01 01 device type (8 bytes), 01 02 port counts (11)   |
// | query 2                             | one 12-byte route report per route (byte 10 = 01)     |
// | query 3                             | one 02 04 frame per stored mapping, as it was stored  |
// | query 4                             | 01 04 filter port counts (13 bytes)                   |
// | query 5                             | one 36-byte 02 03 state per filterable port, by type  |
// | query 6                             | nothing                                               |
// | query 7                             | one 02 06 name per USB port (host ports first; "1" =  |
// |                                     | nothing attached), or the 11-byte FF form when nothing|
// |                                     | is attached anywhere; then 02 07 hub count (8 bytes)  |
// | route 02 01 (12 bytes)              | 02 01 op result (9 bytes)                             |
// | routing save 02 02 00               | 02 02 00 00                                           |
// | store acknowledge 02 02 01          | nothing                                               |
// | filter set 02 03 (36 bytes)         | 02 03 status reason                                   |
// | mapping store 02 04 record          | 02 02 00 00, or 02 04 01 03 for a malformed record    |
// | mapping delete 02 05 06 7F 01|02 …  | 02 05 status code                                     |
// | factory reset 03 01 01 00           | 03 01 01 01                                           |
// | anything else                       | nothing                                               |
//
// Bootloader: the model and version queries as above; AA CC 02 00 02 0D 0A
// erases the received image and answers "ERASE END" after eraseDelayMs; from
// then on, raw bytes are image pieces: a piece ends after 64 bytes or after a
// short quiet gap, and is answered with the decimal count of bytes taken.
// A real box waits to be powered on again after a flash; with
// setRestartAfterFlashMs() the simulated one starts its firmware by itself
// once the host has been quiet that long after a piece, and with
// setForgetsSettingsWhenFlashed() the erase takes its routes, filters and
// mapping rules with it, as a flash that resets the box does.
class DeviceSimulator : public LocalDevice
{
    Q_OBJECT

public:
    struct Faults
    {
        bool noAnswer = false;   // receive everything, answer nothing
        bool wrongAck = false;   // take the whole piece, acknowledge one byte more
        bool shortAck = false;   // take only half of each piece (at least one byte) and say so
        int delayMs = 0;         // every answer leaves this much later
        bool garbage = false;    // noise bytes before every answer
        int dropAfterBytes = -1; // after this many bytes to the host the device is gone
        bool refuseAll = false;  // route, filter and mapping commands fail with refuseCode
        std::uint8_t refuseCode = 1;

        // Bootloader faults; pieces count from 0 after each erase command.
        bool vanishOnErase = false;  // gone as the erase command arrives
        int vanishAtPiece = -1;      // gone as piece N arrives, unanswered
        int vanishAfterPiece = -1;   // acknowledges piece N, gone vanishDelayMs later
        int vanishDelayMs = 0;
        int silentFromPiece = -1;    // takes piece N and later ones without a word
        int wrongAckPiece = -1;      // acknowledges piece N with one byte more
        int lateAckPiece = -1;       // the acknowledgement of piece N leaves lateAckMs late
        int lateAckMs = 0;
    };

    struct Route
    {
        std::uint8_t inKind = 0;
        std::uint8_t inNumber = 0;
        std::uint8_t outKind = 0;
        std::uint8_t outNumber = 0;

        friend bool operator==(const Route &a, const Route &b)
        {
            return a.inKind == b.inKind && a.inNumber == b.inNumber && a.outKind == b.outKind
                && a.outNumber == b.outNumber;
        }
    };

    struct ReceivedFrame
    {
        qint64 atMs = 0; // since the simulator started (or restartClock())
        QByteArray bytes;
    };

    // An input may feed at most this many outputs.
    static constexpr int MaxRoutesPerInput = 8;
    // A shorter image piece is complete once the host has been quiet this long.
    static constexpr int PieceQuietGapMs = 20;
    static constexpr int DefaultEraseDelayMs = 200;
    // The host's text commands are two bytes; anything claiming to be much
    // longer is noise and must not swallow the commands behind it.
    static constexpr int MaxTextCommandPayload = 16;
    // An F0 without its F7 after this many bytes is noise, not a command.
    static constexpr int MaxCommandLength = 512;

    explicit DeviceSimulator(const DeviceProfile &profile, QObject *parent = nullptr);

    void receive(const QByteArray &hostBytes) override;

    [[nodiscard]] const DeviceProfile &profile() const { return m_profile; }
    [[nodiscard]] bool isBootloader() const { return m_profile.bootloader; }

    void setFaults(const Faults &faults) { m_faults = faults; }
    [[nodiscard]] const Faults &faults() const { return m_faults; }
    void setEraseDelayMs(int ms) { m_eraseDelayMs = qMax(0, ms); }
    [[nodiscard]] int eraseDelayMs() const { return m_eraseDelayMs; }
    void setForgetsSettingsWhenFlashed(bool forgets) { m_forgetsSettingsWhenFlashed = forgets; }
    [[nodiscard]] bool forgetsSettingsWhenFlashed() const { return m_forgetsSettingsWhenFlashed; }
    // Negative: never (the default).
    void setRestartAfterFlashMs(int ms) { m_restartAfterFlashMs = ms; }
    [[nodiscard]] int restartAfterFlashMs() const { return m_restartAfterFlashMs; }

    // Forgets the received frames and counts time from now.
    void restartClock();

    [[nodiscard]] const QVector<ReceivedFrame> &receivedFrames() const { return m_received; }
    [[nodiscard]] const QVector<Route> &routes() const { return m_routes; }
    // The 25 filter bytes of a port (type 0..5, number from 1); empty if the
    // device has no such port.
    [[nodiscard]] QByteArray filter(int type, int number) const;
    // Stored mapping records by mapping number 1..16, the bytes between
    // F0 00 2F 71 02 04 and F7 as the host sent them.
    [[nodiscard]] const QMap<int, QByteArray> &mappings() const { return m_mappings; }
    [[nodiscard]] const QByteArray &receivedImage() const { return m_image; }
    [[nodiscard]] bool isErased() const { return m_erased; }
    [[nodiscard]] qint64 bytesTransmitted() const { return m_transmitted; }
    [[nodiscard]] bool isDropped() const { return m_dropped; }
    // Image pieces taken since the last erase.
    [[nodiscard]] int piecesReceived() const { return m_pieceCount; }

    // The device is gone at once, as if unplugged: nothing more leaves.
    void vanish();

    // Checks a mapping record (the bytes between 02 04 and F7); returns the
    // mapping number 1..16, or 0 when the record is malformed.
    [[nodiscard]] static int mappingNumberOf(const QByteArray &record);

signals:
    // The host asked the running firmware to restart into its bootloader;
    // from now on this simulator is the bootloader.
    void rebootingToBootloader();
    // The fault "drop after N bytes" struck: the device is gone.
    void connectionDropped();
    // The bootloader starts the firmware: from now on this simulator is the
    // running device again.
    void restartingIntoFirmware();

private:
    using PortKey = QPair<int, int>;

    void cutCommands();
    [[nodiscard]] int cutTextFrame();
    [[nodiscard]] int cutSysExFrame();
    void record(const QByteArray &frame);

    void handleText(const QByteArray &frame);
    void handleSysEx(const QByteArray &frame);
    void answerQuery(int k);
    void handleRoute(const QByteArray &frame);
    [[nodiscard]] std::uint8_t checkRoute(const Route &route, bool connect) const;
    void handleFilter(const QByteArray &frame);
    void handleSave(const QByteArray &frame);
    void handleMappingStore(const QByteArray &frame);
    void handleMappingDelete(const QByteArray &frame);
    void factoryReset();
    void enterBootloader();
    void restartIntoFirmware();

    void takeImageBytes(const QByteArray &bytes);
    void finishPiece(const QByteArray &piece);

    [[nodiscard]] int portCount(int routeKind, bool input) const;
    void resetFilters();
    void answer(const QByteArray &bytes, int extraDelayMs = 0);
    void flushDue();
    void send(const QByteArray &bytes);

    DeviceProfile m_profile;
    DeviceProfile m_runningProfile;
    Faults m_faults;
    int m_eraseDelayMs = DefaultEraseDelayMs;
    bool m_forgetsSettingsWhenFlashed = false;
    int m_restartAfterFlashMs = -1;
    QTimer *const m_restartTimer;

    QByteArray m_in;
    QElapsedTimer m_clock;
    QVector<ReceivedFrame> m_received;

    QVector<Route> m_routes;
    QMap<PortKey, QByteArray> m_filters;
    QMap<int, QByteArray> m_mappings;

    bool m_erased = false;
    int m_pieceCount = 0;
    QByteArray m_piece;
    QByteArray m_image;
    QTimer *const m_pieceTimer;

    struct Pending
    {
        qint64 dueMs;
        QByteArray bytes;
    };
    QQueue<Pending> m_pending;
    QTimer *const m_sendTimer;
    qint64 m_transmitted = 0;
    bool m_dropped = false;
};
