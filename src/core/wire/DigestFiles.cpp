#include "wire/DigestFiles.h"

#include <QByteArray>

namespace DigestFiles {
namespace {

struct Line
{
    QByteArrayView hex;
    std::optional<QByteArrayView> name;     // none: a digest alone
    std::optional<Checksum::Algorithm> tag; // a BSD line names its algorithm
};

// "SHA256 (<name>) = <hex>"
std::optional<Line> bsdLine(QByteArrayView line)
{
    const qsizetype open = line.indexOf(" (");
    const qsizetype close = line.lastIndexOf(") = ");
    if (open <= 0 || close < open)
        return std::nullopt;
    const std::optional<Checksum::Algorithm> tag = Checksum::named(line.first(open));
    if (!tag)
        return std::nullopt;
    return Line{line.sliced(close + 4), line.sliced(open + 2, close - open - 2), tag};
}

// "<hex>  <name>", "<hex> *<name>", or "<hex>" alone. A name coreutils had to escape (the line
// starts with "\") is none we look for.
std::optional<Line> coreutilsLine(QByteArrayView line)
{
    const qsizetype blank = line.indexOf(' ');
    if (blank < 0)
        return Line{line, std::nullopt, std::nullopt};
    QByteArrayView name = line.sliced(blank + 1);
    if (line.startsWith('\\') || name.isEmpty() || (name.first() != ' ' && name.first() != '*'))
        return std::nullopt;
    name = name.sliced(1);
    if (name.startsWith("./"))
        name = name.sliced(2);
    return Line{line.first(blank), name, std::nullopt};
}

// The lines that give a digest, each a view into text; blank lines and "#" comments left out.
QList<Line> linesOf(QByteArrayView text)
{
    QList<Line> lines;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = (end < 0 ? text : text.first(end)).trimmed();
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        std::optional<Line> read = bsdLine(line);
        if (!read)
            read = coreutilsLine(line);
        if (read)
            lines.append(*read);
    }
    return lines;
}

std::optional<Checksum> digestOf(const Line &line, const Sibling &sibling)
{
    if (line.tag && *line.tag != sibling.algorithm)
        return std::nullopt;
    return Checksum::fromHex(sibling.algorithm, line.hex);
}

} // namespace

QList<Sibling> siblingsOf(const QString &fileName)
{
    using Algorithm = Checksum::Algorithm;
    return {{fileName + QStringLiteral(".sha512"), Algorithm::Sha512},
            {fileName + QStringLiteral(".sha256"), Algorithm::Sha256},
            {QStringLiteral("SHA256SUMS"), Algorithm::Sha256, true},
            {fileName + QStringLiteral(".sha1"), Algorithm::Sha1},
            {fileName + QStringLiteral(".md5"), Algorithm::Md5}};
}

std::optional<Checksum> read(QByteArrayView text, const Sibling &sibling, const QString &fileName)
{
    if (text.size() > MaxBytes)
        return std::nullopt;
    const QList<Line> lines = linesOf(text);
    const QByteArray name = fileName.toUtf8();
    for (const Line &line : lines) {
        if (line.name && *line.name == name)
            return digestOf(line, sibling);
    }
    if (sibling.listsFolder || lines.size() != 1)
        return std::nullopt;
    return digestOf(lines.first(), sibling);
}

} // namespace DigestFiles
