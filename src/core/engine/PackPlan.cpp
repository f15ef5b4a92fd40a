#include "engine/PackPlan.h"

#include "progress/DisplayText.h"

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

QString PackPlan::planText() const
{
    QString text =
        QString::number(fullCount()) + QStringLiteral(" times ") + Format_Taille(m_packSize);
    if (shortLength() > 0)
        text += QStringLiteral(" and ") + Format_Taille(shortLength());
    return text;
}

QString PackPlan::packsToGoText(qint64 packsLeft, bool shortPackWaiting) const
{
    if (!shortPackWaiting)
        return QString::number(packsLeft) + QStringLiteral(" times ") + Format_Taille(m_packSize);
    return QString::number(packsLeft - 1) + QStringLiteral(" times ") + Format_Taille(m_packSize) +
           QStringLiteral(" and ") + Format_Taille(shortLength());
}
