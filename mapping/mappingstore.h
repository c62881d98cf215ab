#pragma once

#include "mapping/mappingreadback.h"
#include "mapping/mappingrecord.h"

#include <QByteArray>
#include <QVector>

// The rules the tool believes the device holds, by mapping number, and the
// last rule sent. A number counts as stored exactly when its record has
// "enable": read back, or sent and confirmed.
class MappingStore
{
public:
    MappingStore();

    // 17 records, index = mapping number; index 0 is never used.
    [[nodiscard]] const QVector<MappingRecord> &feedbackMappings() const { return m_feedbackMappings; }
    // For loading a configuration: refused unless it holds exactly 17 records.
    [[nodiscard]] bool setFeedbackMappings(const QVector<MappingRecord> &records);

    // An empty record for a number outside 1..16.
    [[nodiscard]] const MappingRecord &mapping(int number) const;
    [[nodiscard]] bool isStored(int number) const;

    [[nodiscard]] const MappingRecord &pendingMapping() const { return m_pendingMapping; }
    void setPendingMapping(const MappingRecord &record);

    // Parses a read-back and, when it is accepted, replaces its number's record.
    MappingReadBack storeReadBack(const QByteArray &frame);

    // The device confirmed the last store for `number`: the pending record
    // becomes that number's stored rule. False for a number outside 1..16.
    bool confirmPendingStore(int number);
    // The device confirmed deleting `number`: the rule is no longer stored,
    // its bytes stay for the page to show. False for a number outside 1..16.
    bool confirmDelete(int number);
    // "Restore" and factory reset: every slot becomes an empty record.
    void clearAll();

    // Whether a stored rule equals `record` (enable not compared). Only stored
    // rules count: a deleted rule may be sent again.
    [[nodiscard]] bool containsIdentical(const MappingRecord &record) const;

private:
    QVector<MappingRecord> m_feedbackMappings;
    MappingRecord m_pendingMapping;
};
