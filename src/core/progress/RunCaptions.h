#pragma once

#include "progress/RunProgress.h"
#include "store/ChecksumRecord.h"

#include <QObject>
#include <QString>

#include <array>
#include <utility>

// Turns what the engine reports of a run into what the window and quillfetch-cli show: the
// captions ("Downloading (500.00 Kb)...", "2 times 500.00 Kb and 269.53 Kb", "42% - Quillfetch",
// ...) and the percentages of the bars. Each signal comes only when what it carries changed.
class RunCaptions final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RunCaptions)

public:
    // What the display shows while no download runs.
    static const QString Nothing;     // "Nothing"
    static const QString NoSize;      // "0 Bytes"
    static const QString NoSpeed;     // "0.00 Kb/s"
    static const QString NoBitRate;   // "0.0 Kbits/s"
    static const QString NoTime;      // "00:00:00"
    static const QString AppTitle;    // "Quillfetch"
    static const QString PauseAction; // the action button's caption while it cannot resume

    explicit RunCaptions(QObject *parent = nullptr);

    // "2 times 500.00 Kb and 269.53 Kb"; the " and ..." part only for a short pack.
    static QString packsText(const PackCount &packs);
    // A speed and its bit rate, "1.95 Mb/s" and "15625 Kbit/s"; NoSpeed and NoBitRate when none
    // is known.
    static std::pair<QString, QString> speedTexts(std::optional<qint64> bytesPerSecond);
    // What became of a project's digest: "Verified (SHA-256)", "Failed verification (SHA-256)",
    // or "None" when it had none.
    static QString checksumText(const std::optional<ChecksumRecord> &checksum);
    // The message that names both digests of a file that failed verification, kept at filePath.
    static QString mismatchText(const QString &project, const ChecksumRecord &checksum,
                                const QString &filePath);

    void show(const RunProgress &progress);
    // A wait before a retry begins: "Connection lost, retrying in 8 s...".
    void showRetry(const RetryWait &wait);
    // Every display goes back to idle (cleared() says so); the next progress says the status and
    // the title.
    void reset();

signals:
    void overallStatusChanged(const QString &caption); // "Inistialising", "Downloading...", ...
    void slotStatusChanged(int slot, const QString &caption); // "Sending request...", ...
    void slotPercentChanged(int slot, int percent);
    void totalPercentChanged(int percent);
    void titleChanged(const QString &title);   // "42% - Quillfetch", "Quillfetch"
    void planTextChanged(const QString &text); // "2 times 500.00 Kb and 269.53 Kb"
    void packsToGoTextChanged(const QString &text);
    void totalSizeTextChanged(const QString &text);
    void receivedSizeTextChanged(const QString &text);
    void instantSpeedChanged(const QString &speed, const QString &bits);
    void averageSpeedChanged(const QString &speed, const QString &bits);
    void elapsedTextChanged(const QString &text); // "00:01:05"
    void remainingTextChanged(const QString &text);
    void actionChanged(bool enabled, const QString &caption); // "Pause" / "Resume"
    // "Connection lost, retrying in 8 s...", "Server busy, ...", "No data from the server, ...",
    // once as each wait begins (the overall status counts it down).
    void retryWaiting(const QString &text);
    // Every display is back to idle: the texts above, the bars at 0, "Pause" disabled.
    void cleared();

private:
    using Speed = std::pair<QString, QString>;
    using Action = std::pair<bool, QString>;
    struct Shown
    {
        QString overall = Nothing;
        QString title = AppTitle;
        QString plan = Nothing;
        QString packsToGo = Nothing;
        QString totalSize = NoSize;
        QString received = NoSize;
        QString elapsed = NoTime;
        QString remaining = NoTime;
        Speed instant{NoSpeed, NoBitRate};
        Speed average{NoSpeed, NoBitRate};
        std::array<QString, RunProgress::MaxSlots> slotTexts{Nothing, Nothing, Nothing, Nothing};
        std::array<int, RunProgress::MaxSlots> slotPercents{};
        int percent = 0;
        Action action{false, PauseAction};
    };

    void showState(const RunProgress &progress);
    void showSlots(const RunProgress &progress);
    void showCounts(const RunProgress &progress);
    void showSpeeds(const SpeedFigures &speeds);

    Shown m_shown;
};
