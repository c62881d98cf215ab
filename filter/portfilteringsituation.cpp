#include "filter/portfilteringsituation.h"

PortFilteringSituation::PortFilteringSituation(const QString &name)
    : QObject(nullptr)
    , m_name(name)
{
}
