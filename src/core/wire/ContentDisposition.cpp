#include "wire/ContentDisposition.h"

#include "store/FileNames.h"

#include <QByteArray>
#include <QUtf8StringView>

namespace {

// One "name=value" parameter; value unquoted.
struct Parameter
{
    QByteArray name;
    QByteArray value;
};

// Reads the parameters after the disposition type, one at a time.
class ParameterReader final
{
public:
    explicit ParameterReader(QByteArrayView text) : m_text(text), m_at(text.indexOf(';')) {}

    std::optional<Parameter> next()
    {
        while (m_at >= 0 && m_at < m_text.size()) {
            ++m_at; // past ";"
            const qsizetype equals = m_text.indexOf('=', m_at);
            const qsizetype semicolon = m_text.indexOf(';', m_at);
            if (equals < 0)
                return std::nullopt;
            if (semicolon >= 0 && semicolon < equals) {
                m_at = semicolon; // a parameter without a value
                continue;
            }
            Parameter parameter{
                m_text.sliced(m_at, equals - m_at).trimmed().toByteArray().toLower(), {}};
            m_at = equals + 1;
            parameter.value = value();
            return parameter;
        }
        return std::nullopt;
    }

private:
    // A quoted string (a backslash escapes the next character) or a token, up to the next ";".
    QByteArray value()
    {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t'))
            ++m_at;
        const bool quoted = m_at < m_text.size() && m_text[m_at] == '"';
        QByteArray value;
        if (quoted) {
            for (++m_at; m_at < m_text.size() && m_text[m_at] != '"'; ++m_at) {
                if (m_text[m_at] == '\\' && m_at + 1 < m_text.size())
                    ++m_at;
                value += m_text[m_at];
            }
        }
        const qsizetype end = m_text.indexOf(';', m_at);
        if (!quoted)
            value =
                m_text.sliced(m_at, (end < 0 ? m_text.size() : end) - m_at).trimmed().toByteArray();
        m_at = end;
        return value;
    }

    QByteArrayView m_text;
    qsizetype m_at;
};

bool isUtf8(const QByteArray &bytes)
{
    return QUtf8StringView(bytes).isValidUtf8();
}

// charset "'" [language] "'" percent-encoded bytes.
std::optional<QString> extendedValue(const QByteArray &value)
{
    const qsizetype first = value.indexOf('\'');
    const qsizetype second = value.indexOf('\'', first + 1);
    if (first < 0 || second < 0)
        return std::nullopt;
    const QByteArray charset = value.first(first).toLower();
    const QByteArray bytes = QByteArray::fromPercentEncoding(value.sliced(second + 1));
    if (charset == "utf-8" && isUtf8(bytes))
        return QString::fromUtf8(bytes);
    if (charset == "iso-8859-1")
        return QString::fromLatin1(bytes);
    return std::nullopt;
}

} // namespace

std::optional<QString> dispositionFileName(QByteArrayView value)
{
    std::optional<QString> plain;
    std::optional<QString> extended;
    ParameterReader reader(value);
    for (auto parameter = reader.next(); parameter; parameter = reader.next()) {
        if (parameter->name == "filename*" && !extended)
            extended = extendedValue(parameter->value);
        else if (parameter->name == "filename" && !plain)
            plain = isUtf8(parameter->value) ? QString::fromUtf8(parameter->value)
                                             : QString::fromLatin1(parameter->value);
    }
    QString name = extended && !extended->isEmpty() ? *extended : plain.value_or(QString());
    name = name.mid(qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
    const QString fitted = FileNames::fitted(name);
    // Nothing usable is left ("", "..", " "): the URL names the file instead.
    if (fitted == QLatin1String(FileNames::Fallback) && name != fitted)
        return std::nullopt;
    return fitted;
}
