#pragma once

#include "filter/filterbytes.h"
#include "filter/filterprotocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

class PortFilteringSituation;

// The filter records of the connected device. Records arrive one per state
// report and are never merged: two reports for one port leave two records, and
// every lookup by name takes the first.
class FilterModel : public QObject
{
    Q_OBJECT

public:
    explicit FilterModel(QObject *parent = nullptr);
    ~FilterModel() override;

    FilterModel(const FilterModel &) = delete;
    FilterModel &operator=(const FilterModel &) = delete;

    [[nodiscard]] const QVector<PortFilteringSituation *> &filterSituations() const
    {
        return m_situations;
    }
    [[nodiscard]] int count() const { return m_situations.size(); }
    [[nodiscard]] PortFilteringSituation *firstByName(const QString &name) const;

    // The model owns the new record.
    PortFilteringSituation *append(const QString &name, const Filter::Bytes &bytes);
    // A state report from the device; nullptr (and nothing appended) for a
    // frame that is not a 36-byte state report.
    PortFilteringSituation *appendReport(const QByteArray &frame);

    // False when no record has exactly this name.
    bool storeIntoFirst(const QString &name, const Filter::Bytes &bytes);
    void storeIntoAll(const Filter::Bytes &bytes);

    // "Set" on the filter page: stores the page's bytes where they belong and
    // returns the command to write. An empty result means nothing is sent and
    // nothing is stored (the port text names no port).
    [[nodiscard]] QByteArray set(bool appliesToAll, const QString &portText,
                                 const Filter::Bytes &bytes);

    // Deletes every record.
    void clear();

    [[nodiscard]] Filter::PortCounts filterPortCounts() const { return m_portCounts; }
    void setFilterPortCounts(const Filter::PortCounts &counts) { m_portCounts = counts; }

signals:
    void situationAppended(int index);
    void situationsCleared();

private:
    QVector<PortFilteringSituation *> m_situations;
    Filter::PortCounts m_portCounts{};
};
