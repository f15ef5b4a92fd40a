#include "progress/RunCaptions.h"

#include "progress/DisplayText.h"

const QString RunCaptions::Nothing = QStringLiteral("Nothing");
const QString RunCaptions::NoSize = QStringLiteral("0 Bytes");
const QString RunCaptions::NoSpeed = QStringLiteral("0.00 Kb/s");
const QString RunCaptions::NoBitRate = QStringLiteral("0.0 Kbits/s");
const QString RunCaptions::NoTime = QStringLiteral("00:00:00");
const QString RunCaptions::AppTitle = QStringLiteral("Quillfetch");
const QString RunCaptions::PauseAction = QStringLiteral("Pause");

namespace {

// Takes the new value and says whether it differs from the one shown.
template<typename T>
bool changes(T &shown, const T &now)
{
    if (shown == now)
        return false;
    shown = now;
    return true;
}

QString stateText(RunState state)
{
    switch (state) {
    case RunState::Idle:
        return RunCaptions::Nothing;
    case RunState::Initialising:
        return QStringLiteral("Inistialising");
    case RunState::Downloading:
        return QStringLiteral("Downloading...");
    case RunState::Paused:
        return QStringLiteral("Pause...");
    }
    return {};
}

QString retryText(const RetryWait &wait)
{
    const QString cause = wait.cause == RetryCause::ServerBusy ? QStringLiteral("Server busy")
                          : wait.cause == RetryCause::NoDataFromServer
                              ? QStringLiteral("No data from the server")
                              : QStringLiteral("Connection lost");
    return cause + QStringLiteral(", retrying in %1 s...").arg(wait.seconds);
}

QString slotText(const SlotProgress &slot)
{
    switch (slot.state) {
    case SlotState::Idle:
        return RunCaptions::Nothing;
    case SlotState::Initialising:
        return QStringLiteral("Initialising");
    case SlotState::SendingRequest:
        return QStringLiteral("Sending request...");
    case SlotState::Downloading:
        return QStringLiteral("Downloading (") + Format_Taille(slot.packLength) +
               QStringLiteral(")...");
    case SlotState::Paused:
        return QStringLiteral("Pause...");
    case SlotState::UnusedWithFtp:
        return QStringLiteral("Unused with FTP servers.");
    }
    return {};
}

} // namespace

RunCaptions::RunCaptions(QObject *parent) : QObject(parent) {}

QString RunCaptions::packsText(const PackCount &packs)
{
    QString text =
        QString::number(packs.count) + QStringLiteral(" times ") + Format_Taille(packs.packSize);
    if (packs.shortLength > 0)
        text += QStringLiteral(" and ") + Format_Taille(packs.shortLength);
    return text;
}

std::pair<QString, QString> RunCaptions::speedTexts(std::optional<qint64> bytesPerSecond)
{
    if (!bytesPerSecond)
        return {NoSpeed, NoBitRate};
    return {Format_Vitesse(*bytesPerSecond), bitRateText(double(*bytesPerSecond))};
}

QString RunCaptions::checksumText(const std::optional<ChecksumRecord> &checksum)
{
    if (!checksum)
        return QStringLiteral("None");
    const QString algorithm = QStringLiteral(" (") + checksum->expected.algorithmName() + u')';
    return (checksum->isVerified() ? QStringLiteral("Verified")
                                   : QStringLiteral("Failed verification")) +
           algorithm;
}

QString RunCaptions::mismatchText(const QString &project, const ChecksumRecord &checksum,
                                  const QString &filePath)
{
    const QString algorithm = checksum.expected.algorithmName();
    return QStringLiteral("The file of the project %1 does not match its checksum !\r\n"
                          "Expected %2: %3\r\nActual %2: %4\r\nIts bytes are kept as %5.")
        .arg(project, algorithm, checksum.expected.hex(),
             checksum.actual ? checksum.actual->hex() : QStringLiteral("unknown"), filePath);
}

void RunCaptions::show(const RunProgress &progress)
{
    showState(progress);
    showSlots(progress);
    showCounts(progress);
    showSpeeds(progress.speeds);
}

void RunCaptions::showRetry(const RetryWait &wait)
{
    emit retryWaiting(retryText(wait));
}

// The status and the title are left to the next progress: the display keeps them.
void RunCaptions::reset()
{
    m_shown = Shown();
    m_shown.overall.clear();
    m_shown.title.clear();
    emit cleared();
    emit actionChanged(m_shown.action.first, m_shown.action.second);
}

// A wait for a retry is shown instead of the state, and the last pieces' join cannot be paused.
void RunCaptions::showState(const RunProgress &progress)
{
    if (changes(m_shown.overall,
                progress.retry ? retryText(*progress.retry) : stateText(progress.state)))
        emit overallStatusChanged(m_shown.overall);
    const bool running =
        progress.state == RunState::Downloading || progress.state == RunState::Paused;
    const Action action{running && !progress.finishing, progress.state == RunState::Paused
                                                            ? QStringLiteral("Resume")
                                                            : PauseAction};
    if (changes(m_shown.action, action))
        emit actionChanged(action.first, action.second);
}

void RunCaptions::showSlots(const RunProgress &progress)
{
    for (int index = 0; index < RunProgress::MaxSlots; ++index) {
        const SlotProgress &slot = progress.slotProgress.at(index);
        if (changes(m_shown.slotTexts.at(index), slotText(slot)))
            emit slotStatusChanged(index + 1, m_shown.slotTexts.at(index));
        if (changes(m_shown.slotPercents.at(index), slot.percent))
            emit slotPercentChanged(index + 1, slot.percent);
    }
}

// The whole file's percentage, and the title with it, once bytes have come; the title names the
// program alone when no project runs.
void RunCaptions::showCounts(const RunProgress &progress)
{
    if (changes(m_shown.plan, progress.plan ? packsText(*progress.plan) : Nothing))
        emit planTextChanged(m_shown.plan);
    if (changes(m_shown.packsToGo, progress.packsToGo ? packsText(*progress.packsToGo) : Nothing))
        emit packsToGoTextChanged(m_shown.packsToGo);
    if (changes(m_shown.totalSize, Format_Taille(progress.fileSize)))
        emit totalSizeTextChanged(m_shown.totalSize);
    if (changes(m_shown.received, Format_Taille(progress.received)))
        emit receivedSizeTextChanged(m_shown.received);
    const bool counted = progress.received >= 1 && progress.fileSize >= 1;
    const int percent =
        counted ? qRound(double(progress.received) * 100.0 / double(progress.fileSize)) : 0;
    if (changes(m_shown.percent, percent))
        emit totalPercentChanged(percent);
    const QString title = progress.state == RunState::Idle ? AppTitle
                          : counted ? QString::number(percent) + QStringLiteral("% - ") + AppTitle
                                    : m_shown.title;
    if (changes(m_shown.title, title))
        emit titleChanged(title);
}

// A tick without data shows no speed, while the average keeps its last value.
void RunCaptions::showSpeeds(const SpeedFigures &speeds)
{
    const Speed instant =
        speedTexts(speeds.instant != 0 ? std::optional(speeds.instant) : std::nullopt);
    if (changes(m_shown.instant, instant))
        emit instantSpeedChanged(instant.first, instant.second);
    if (changes(m_shown.average, speedTexts(speeds.average)))
        emit averageSpeedChanged(m_shown.average.first, m_shown.average.second);
    const ElapsedClock &clock = speeds.elapsed;
    if (changes(m_shown.elapsed, clockText(clock.hours, clock.minutes, clock.seconds)))
        emit elapsedTextChanged(m_shown.elapsed);
    if (changes(m_shown.remaining, Format_Temps(speeds.secondsLeft.value_or(0))))
        emit remainingTextChanged(m_shown.remaining);
}
