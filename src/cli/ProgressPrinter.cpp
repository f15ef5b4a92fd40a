#include "ProgressPrinter.h"

#include "progress/RunCaptions.h"

namespace {

constexpr int MaxBarWidth = 40;
constexpr int MinBarWidth = 10;

// "[########            ]" for 40 %.
QString bar(int percent, int width)
{
    const int filled = qBound(0, percent, 100) * width / 100;
    return u'[' + QString(filled, u'#') + QString(width - filled, u' ') + u']';
}

} // namespace

ProgressPrinter::ProgressPrinter(QTextStream &out, int columns, QObject *parent)
    : QObject(parent), m_out(out), m_columns(columns)
{
    m_timer.setInterval(columns > 0 ? TerminalIntervalMs : PlainIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ProgressPrinter::printPending);
    reset();
}

void ProgressPrinter::setProject(const QString &name)
{
    m_project = name;
    changed();
}

void ProgressPrinter::setPercent(int percent)
{
    m_percent = percent;
    changed();
}

void ProgressPrinter::setTotalSize(const QString &text)
{
    m_totalSize = text;
    changed();
}

void ProgressPrinter::setReceived(const QString &text)
{
    m_received = text;
    changed();
}

void ProgressPrinter::setInstantSpeed(const QString &speed, const QString &)
{
    m_instantSpeed = speed;
    changed();
}

void ProgressPrinter::setAverageSpeed(const QString &speed, const QString &)
{
    m_averageSpeed = speed;
    changed();
}

void ProgressPrinter::setRemaining(const QString &text)
{
    m_remaining = text;
    changed();
}

void ProgressPrinter::reset()
{
    m_timer.stop();
    m_pending = false;
    m_project.clear();
    m_percent = 0;
    m_totalSize = RunCaptions::NoSize;
    m_received = RunCaptions::NoSize;
    m_instantSpeed = RunCaptions::NoSpeed;
    m_averageSpeed = RunCaptions::NoSpeed;
    m_remaining = RunCaptions::NoTime;
}

void ProgressPrinter::endLine()
{
    if (m_pending)
        print();
    m_timer.stop();
    if (m_lineOpen) {
        m_out << '\n';
        m_out.flush();
    }
    m_lineOpen = false;
    m_lastWidth = 0;
}

// The first change is printed at once; later ones wait for the next tick of the interval.
void ProgressPrinter::changed()
{
    if (m_project.isEmpty())
        return;
    m_pending = true;
    if (!m_timer.isActive()) {
        print();
        m_timer.start();
    }
}

void ProgressPrinter::printPending()
{
    if (m_pending)
        print();
    else
        m_timer.stop();
}

void ProgressPrinter::print()
{
    if (m_columns > 0) {
        const QString line = terminalText();
        const qsizetype padding = qMax<qsizetype>(0, m_lastWidth - line.size());
        m_out << '\r' << line << QString(padding, QLatin1Char(' '));
        m_lastWidth = line.size();
        m_lineOpen = true;
    } else {
        m_out << lineText() << '\n';
    }
    m_out.flush();
    m_pending = false;
}

QString ProgressPrinter::lineText() const
{
    return QStringLiteral("%1: %2% %3 of %4 | now %5 | average %6 | left %7")
        .arg(m_project, QString::number(m_percent), m_received, m_totalSize, m_instantSpeed,
             m_averageSpeed, m_remaining);
}

// The last column stays free: a line that reached it would wrap, and "\r" would then rewrite only
// its second half.
QString ProgressPrinter::terminalText() const
{
    const QString left = m_project + QStringLiteral(" %1% ").arg(m_percent, 3);
    const QString right =
        QStringLiteral(" %1  %2  left %3").arg(m_received, m_instantSpeed, m_remaining);
    const int room = m_columns - 1 - int(left.size() + right.size()) - 2;
    const QString shown = room >= MinBarWidth
                              ? left + bar(m_percent, qMin(room, MaxBarWidth)) + right
                              : left.trimmed() + right;
    return shown.left(m_columns - 1);
}
