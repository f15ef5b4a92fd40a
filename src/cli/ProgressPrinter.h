#pragma once

#include <QObject>
#include <QString>
#include <QTextStream>
#include <QTimer>

// Prints the running download as one progress line. On a terminal it is rewritten in place and
// fits its width: the project, the percentage and its bar, the received size, the speed and the
// time left. Elsewhere it is a plain line (percentage, received and total size, instant and
// average speed, time left). A change is printed at once, then at most once per interval: a
// quarter of a second on a terminal, a second elsewhere.
class ProgressPrinter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressPrinter)

public:
    static constexpr int TerminalIntervalMs = 250;
    static constexpr int PlainIntervalMs = 1000;

    // columns: the terminal's width; 0 when the output is no terminal.
    ProgressPrinter(QTextStream &out, int columns, QObject *parent = nullptr);

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
    QString terminalText() const;

    QTextStream &m_out;
    int m_columns;
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
