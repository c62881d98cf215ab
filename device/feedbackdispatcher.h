#pragma once

#include "device/feedbacktype.h"
#include "routing/route.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QVector>

#include <functional>

class Prompt;
class QTimer;

// Handles every classified frame the device sends: device-level kinds are
// applied here, result codes are shown with their texts, and the kinds that
// change a page are handed on by signal to the page that owns that state.
class FeedbackDispatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int DebounceMs = 100;

    explicit FeedbackDispatcher(Prompt *prompt, QObject *parent = nullptr);

    // Whether the filter page's port chooser already holds entries.
    void setFilterPortsListedProbe(std::function<bool()> probe) { m_filterPortsListed = std::move(probe); }
    // Whether the mapping page is the current tab.
    void setMappingTabCurrentProbe(std::function<bool()> probe) { m_mappingTabCurrent = std::move(probe); }

    [[nodiscard]] const Routing::PortCounts &portCounts() const { return m_counts; }
    [[nodiscard]] const QStringList &deviceFamilyNames() const { return m_deviceFamilyNames; }
    [[nodiscard]] int hubCount() const { return m_hubCount; }
    [[nodiscard]] QTimer *debounceTimer() const { return m_debounceTimer; }

public slots:
    void dealWithData(Feedbacktype fb, const QByteArray &data);

signals:
    // A frame to write to the device and flush.
    void writeRequested(QByteArray frame);

    void portCountsReported(Routing::PortCounts counts);
    // A frame the routing model records (the report passed the early exits).
    void routeReported(QByteArray frame);
    void routeAnswered(QByteArray frame);
    void filterPortCountsReported(QVector<int> counts);
    void filterStateReported(QByteArray frame);
    void mappingReported(QByteArray frame);
    void usbNameReported(int slot, QString name);
    void usbNamesCleared();
    void usbNamesUpdated();
    void mappingStoreConfirmed();
    void mappingDeleteConfirmed();
    void factoryResetConfirmed();
    void hubCountReported(int count);

private:
    void handlePortName(const QByteArray &data);
    void handleSaveAnswer(const QByteArray &data);
    void handleDeleteAnswer(const QByteArray &data);
    void ok(const QString &text);

    Prompt *const m_prompt;
    QTimer *const m_debounceTimer;
    std::function<bool()> m_filterPortsListed;
    std::function<bool()> m_mappingTabCurrent;
    Routing::PortCounts m_counts;
    QStringList m_deviceFamilyNames;
    int m_hubCount = 0;
};

Q_DECLARE_METATYPE(Routing::PortCounts)
