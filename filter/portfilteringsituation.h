#pragma once

#include "filter/filterbytes.h"

#include <QObject>
#include <QString>

// The program's copy of one port's filter. The name never changes once the
// record exists: the records are looked up by it.
class PortFilteringSituation : public QObject
{
    Q_OBJECT

public:
    explicit PortFilteringSituation(const QString &name);

    [[nodiscard]] QString name() const { return m_name; }
    [[nodiscard]] Filter::Bytes data() const { return m_bytes; }
    void setData(const Filter::Bytes &bytes) { m_bytes = bytes; }

private:
    const QString m_name;
    Filter::Bytes m_bytes{};
};
