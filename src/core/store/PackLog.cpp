#include "store/PackLog.h"

#include "store/FileIo.h"
#include "store/TextLines.h"

#include <QFile>
#include <QSet>

#include <cerrno>

namespace {

const QByteArray completeSuffix = QByteArrayLiteral(":1");
const QByteArray partialSuffix = QByteArrayLiteral(":0");
const QByteArray pieceEnd = QByteArrayLiteral(").qfd");

// Reading back this much from the end finds the last CR LF behind any torn piece path.
constexpr qint64 tailChunk = 4096;

QByteArray pieceLine(const QString &piecePath, const QByteArray &suffix)
{
    return piecePath.toUtf8() + suffix;
}

// The size of the file without a last line that lacks its CR LF.
std::optional<qint64> completeLength(QFile &file)
{
    qint64 end = file.size();
    if (end < 2)
        return 0;
    if (!file.seek(end - 2))
        return std::nullopt;
    if (file.read(2) == "\r\n")
        return end;
    QByteArray tail; // file bytes from `end - tail.size()` up to the original end
    while (end > 0) {
        const qint64 from = qMax<qint64>(end - tailChunk, 0);
        if (!file.seek(from))
            return std::nullopt;
        tail.prepend(file.read(end - from));
        end = from;
        const qsizetype crLf = tail.lastIndexOf("\r\n");
        if (crLf >= 0)
            return end + crLf + 2;
    }
    return 0;
}

// Appends line after the log's last complete line, in a single write.
bool appendLine(QFile &file, const QByteArray &line)
{
    const auto length = completeLength(file);
    if (!length || (*length != file.size() && !file.resize(*length)) || !file.seek(*length))
        return false;
    return file.write(line) == line.size() && file.flush() && file.error() == QFileDevice::NoError;
}

std::optional<qint64> packNumber(const QByteArray &line)
{
    const QByteArray path = line.chopped(completeSuffix.size());
    if (!path.endsWith(pieceEnd))
        return std::nullopt;
    const qsizetype open = path.lastIndexOf('(');
    if (open < 0)
        return std::nullopt;
    const QByteArray digits = path.mid(open + 1, path.size() - pieceEnd.size() - open - 1);
    if (digits.isEmpty())
        return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    bool ok = false;
    const qint64 pack = digits.toLongLong(&ok);
    return ok ? std::optional<qint64>(pack) : std::nullopt;
}

} // namespace

PackLog::PackLog(const QString &path) : m_path(path) {}

bool PackLog::appendComplete(const QString &piecePath)
{
    errno = 0;
    QFile file(m_path);
    const bool written = file.open(QIODevice::ReadWrite) &&
                         appendLine(file, pieceLine(piecePath, completeSuffix) + "\r\n");
    // The error number is read at once: any later call may change it.
    m_error = written ? 0 : errno;
    return written;
}

QStringList PackLog::logPartials(const QStringList &piecePaths)
{
    QList<QByteArray> lines = TextLines::completeLines(FileIo::read(m_path).value_or(QByteArray()));
    // The pieces the log names, looked up once each: a log of thousands of packs stays cheap.
    QSet<QByteArray> known;
    for (const QByteArray &line : lines) {
        if (line.endsWith(completeSuffix) || line.endsWith(partialSuffix))
            known.insert(line.chopped(completeSuffix.size()));
    }
    QStringList added;
    for (const QString &piecePath : piecePaths) {
        const QByteArray piece = piecePath.toUtf8();
        if (known.contains(piece))
            continue;
        known.insert(piece);
        lines.append(piece + partialSuffix);
        added.append(piecePath);
    }
    if (added.isEmpty() || !FileIo::writeAtomically(m_path, TextLines::join(lines)))
        return {};
    return added;
}

bool PackLog::removePartials()
{
    const auto text = FileIo::read(m_path);
    if (!text)
        return true;
    QList<QByteArray> lines = TextLines::completeLines(*text);
    lines.removeIf([](const QByteArray &line) { return line.endsWith(partialSuffix); });
    const QByteArray kept = TextLines::join(lines);
    return kept == *text || FileIo::writeAtomically(m_path, kept);
}

bool PackLog::forget(const QStringList &piecePaths)
{
    const auto text = FileIo::read(m_path);
    if (!text)
        return true;
    QSet<QByteArray> pieces;
    for (const QString &piecePath : piecePaths)
        pieces.insert(piecePath.toUtf8());
    QList<QByteArray> lines = TextLines::completeLines(*text);
    lines.removeIf([&pieces](const QByteArray &line) {
        return (line.endsWith(completeSuffix) || line.endsWith(partialSuffix)) &&
               pieces.contains(line.chopped(completeSuffix.size()));
    });
    const QByteArray kept = TextLines::join(lines);
    return kept == *text || FileIo::writeAtomically(m_path, kept);
}

PackLog::Entries PackLog::parse() const
{
    return parseText(FileIo::read(m_path).value_or(QByteArray()));
}

PackLog::Entries PackLog::parseText(const QByteArray &text)
{
    Entries entries;
    for (const QByteArray &line : TextLines::completeLines(text)) {
        const bool complete = line.endsWith(completeSuffix);
        if (!complete && !line.endsWith(partialSuffix))
            continue;
        const auto pack = packNumber(line);
        if (!pack)
            continue;
        (complete ? entries.complete : entries.partial).append(*pack);
    }
    return entries;
}
