#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// A file's digest: the algorithm and the raw bytes it gives. The form a project keeps and a user
// may type is "sha256:<hex>".
struct Checksum
{
    enum class Algorithm // weakest first
    {
        Md5,
        Sha1,
        Sha256,
        Sha512
    };

    Algorithm algorithm = Algorithm::Sha256;
    QByteArray bytes;

    bool operator==(const Checksum &) const = default;

    QString text() const;          // "sha256:<lower-case hex>"
    QString algorithmName() const; // "SHA-256"
    QString hex() const;
    // The bytes the algorithm gives: 16, 20, 32 or 64.
    static qsizetype length(Algorithm algorithm);
    // "md5", "sha1" or "sha-1", "sha256" or "sha-256", "sha512" or "sha-512", in any case.
    static std::optional<Algorithm> named(QByteArrayView name);
    // Hex digits in either case, exactly as many as the algorithm gives.
    static std::optional<Checksum> fromHex(Algorithm algorithm, QByteArrayView hex);
    // What a user types: the hex digest, blanks around it, after a name and ":" or "=" ("sha256:",
    // "SHA-256=") or alone, when its length tells the algorithm. nullopt for anything else.
    static std::optional<Checksum> parse(QStringView text);
};
