#include "store/Checksum.h"

#include <array>
#include <utility>

namespace {

using Algorithm = Checksum::Algorithm;

constexpr std::array<std::pair<const char *, Algorithm>, 7> Names = {{
    {"md5", Algorithm::Md5},
    {"sha1", Algorithm::Sha1},
    {"sha-1", Algorithm::Sha1},
    {"sha256", Algorithm::Sha256},
    {"sha-256", Algorithm::Sha256},
    {"sha512", Algorithm::Sha512},
    {"sha-512", Algorithm::Sha512},
}};

constexpr std::array<Algorithm, 4> Every = {Algorithm::Md5, Algorithm::Sha1, Algorithm::Sha256,
                                            Algorithm::Sha512};

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

QString Checksum::text() const
{
    return algorithmName().remove(QLatin1Char('-')).toLower() + QLatin1Char(':') + hex();
}

QString Checksum::algorithmName() const
{
    switch (algorithm) {
    case Algorithm::Md5:
        return QStringLiteral("MD5");
    case Algorithm::Sha1:
        return QStringLiteral("SHA-1");
    case Algorithm::Sha256:
        return QStringLiteral("SHA-256");
    case Algorithm::Sha512:
        return QStringLiteral("SHA-512");
    }
    return {};
}

QString Checksum::hex() const
{
    return QString::fromLatin1(bytes.toHex());
}

qsizetype Checksum::length(Algorithm algorithm)
{
    switch (algorithm) {
    case Algorithm::Md5:
        return 16;
    case Algorithm::Sha1:
        return 20;
    case Algorithm::Sha256:
        return 32;
    case Algorithm::Sha512:
        return 64;
    }
    return 0;
}

std::optional<Checksum::Algorithm> Checksum::named(QByteArrayView name)
{
    for (const auto &[text, algorithm] : Names) {
        if (name.compare(QByteArrayView(text), Qt::CaseInsensitive) == 0)
            return algorithm;
    }
    return std::nullopt;
}

std::optional<Checksum> Checksum::fromHex(Algorithm algorithm, QByteArrayView hex)
{
    if (hex.size() != 2 * length(algorithm))
        return std::nullopt;
    for (const char c : hex) {
        if (!isHexDigit(c))
            return std::nullopt;
    }
    return Checksum{algorithm, QByteArray::fromHex(hex.toByteArray())};
}

std::optional<Checksum> Checksum::parse(QStringView text)
{
    const QByteArray typed = text.trimmed().toLatin1();
    const qsizetype separator = typed.indexOf(typed.contains(':') ? ':' : '=');
    if (separator >= 0) {
        const std::optional<Algorithm> algorithm = named(QByteArrayView(typed).first(separator));
        if (!algorithm)
            return std::nullopt;
        return fromHex(*algorithm, QByteArrayView(typed).sliced(separator + 1).trimmed());
    }
    for (const Algorithm algorithm : Every) {
        if (typed.size() == 2 * length(algorithm))
            return fromHex(algorithm, typed);
    }
    return std::nullopt;
}
