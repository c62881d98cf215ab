#include "mapping/mappingstore.h"

#include "mapping/mappingcommands.h"
#include "mapping/mappingprotocol.h"

#include <algorithm>

MappingStore::MappingStore()
    : m_feedbackMappings(MappingProtocol::SlotCount)
{
}

bool MappingStore::setFeedbackMappings(const QVector<MappingRecord> &records)
{
    if (records.size() != MappingProtocol::SlotCount)
        return false;
    m_feedbackMappings = records;
    return true;
}

const MappingRecord &MappingStore::mapping(int number) const
{
    static const MappingRecord empty;
    if (!Mapping::isValidMappingNumber(number))
        return empty;
    return m_feedbackMappings.at(number);
}

bool MappingStore::isStored(int number) const
{
    return mapping(number).enable;
}

void MappingStore::setPendingMapping(const MappingRecord &record)
{
    m_pendingMapping = record;
}

MappingReadBack MappingStore::storeReadBack(const QByteArray &frame)
{
    MappingReadBack readBack = MappingReadBack::parse(frame);
    if (readBack.isAccepted())
        m_feedbackMappings[readBack.number] = readBack.record;
    return readBack;
}

bool MappingStore::confirmPendingStore(int number)
{
    if (!Mapping::isValidMappingNumber(number))
        return false;
    MappingRecord &slot = m_feedbackMappings[number];
    slot = m_pendingMapping;
    slot.enable = true;
    return true;
}

bool MappingStore::confirmDelete(int number)
{
    if (!Mapping::isValidMappingNumber(number))
        return false;
    m_feedbackMappings[number].enable = false;
    return true;
}

void MappingStore::clearAll()
{
    m_feedbackMappings.fill(MappingRecord());
}

bool MappingStore::containsIdentical(const MappingRecord &record) const
{
    return std::any_of(m_feedbackMappings.cbegin() + MappingProtocol::FirstNumber,
                       m_feedbackMappings.cend(),
                       [&record](const MappingRecord &stored) { return stored.enable && stored == record; });
}
