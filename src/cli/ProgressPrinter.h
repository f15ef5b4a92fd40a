#pragma once

#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTimer>

// Prints the running download as one progress line (percentage, received size, instant and
// average speed, time left): rewritten in place on a terminal, a plain line otherwise. A change
// is printed at once, then at most once per interval.
class ProgressPrinter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressPrinter)

public:
    ProgressPrinter(QTextStream &out, bool inPlace, int intervalMs, QObject *parent = nullptr);

    void setProject(const QString &name);
    void setPercent(int percent);
    void setTotalSize(const QString &text);
    void setReceived(const QString &text);
    void setInstantSpeed(const QString &speed, const QString &bits);
    void setAverageSpeed(const QString &speed, const QString &bits);
    void setRemaining(const QString &text);
    // Every value back to idle; nothing is printed until the next project is set.
    void reset();

    // Prints a pending change and ends the line in place, so that other text starts on a line
    // of its own.
    void endLine();

private:
    void changed();
    void printPending();
    void print();
    QString lineText() const;

    QTextStream &m_out;
    bool m_inPlace;
    QTimer m_timer;
    bool m_pending = false;
    bool m_lineOpen = false;
    qsizetype m_lastWidth = 0;
    QString m_project;
    int m_percent = 0;
    QString m_totalSize;
    QString m_received;
    QString m_instantSpeed;
    QString m_averageSpeed;
    QString m_remaining;
};
