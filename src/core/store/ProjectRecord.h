#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The fourteen-line project record "project.qfd". Every value keeps the text it was written
// with; the options (path to graphmodem) are the user's settings when the project was created.
struct ProjectRecord
{
    enum Status
    {
        Running = 0,
        Waiting = 1,
        Finished = 2
    };

    QString url; // without scheme and "//"
    qint64 bytes = 0;
    QString path;      // download folder, ends with a separator
    QString packSize;  // as stored in the settings
    QString showModem; // "0" or "1"
    QString bar1Back;
    QString bar1For;
    QString bar2Back;
    QString bar2For;
    QString graphBack;
    QString graphFor;
    QString graphModem;
    QString type = QStringLiteral("0"); // "1" for FTP
    int status = Waiting;

    bool isFtp() const;
    bool operator==(const ProjectRecord &) const = default;

    // "url:...\r\nbytes:...\r\n ... status:1\r\n", byte-exact. CR and LF are dropped from
    // the values, so that no value can add a line of its own.
    QByteArray toText() const;

    // Reads the keys in file order, each search starting after the value just read, so a URL
    // that contains another key's text is read correctly. The status is the value of the line
    // that starts with "status:". nullopt when a key is missing, a value lacks its CR LF, bytes
    // is not a number of 0 or more, or status is not 0, 1 or 2.
    static std::optional<ProjectRecord> parse(const QByteArray &text);

    // The record text with the "status:" line that parse reads replaced by "status:<digit>\r\n";
    // appended when there is no such line or the lines before it cannot be read. Every other
    // byte is kept.
    static QByteArray withStatus(const QByteArray &text, int status);
};
