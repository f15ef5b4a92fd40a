#include "engine/PackPlan.h"

PackPlan::PackPlan(qint64 fileSize, qint64 packSize)
    : m_fileSize(qMax<qint64>(fileSize, 0)), m_packSize(qMax<qint64>(packSize, 1))
{}

Pack PackPlan::pack(qint64 number) const
{
    return {number, number * m_packSize, length(number)};
}

qint64 PackPlan::length(qint64 number) const
{
    return number < fullCount() ? m_packSize : shortLength();
}
