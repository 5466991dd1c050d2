#include "text/DeclaredEncoding.h"

#include "text/WebEncoding.h"

#include <QByteArray>

#include <algorithm>

// A reduced form of the HTML standard's "prescan a byte stream to determine its encoding": it
// skips comments and the attributes of other tags (whose values may hold a '<' or '>') and
// reads the attributes of each <meta>, so a declaration is found where browsers find it.

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

struct Attribute
{
    QByteArray name; ///< lower case
    QByteArray value;
};

class Prescan
{
public:
    explicit Prescan(QByteArrayView head) : m_head(head) {}

    std::optional<QByteArray> charsetLabel();

private:
    // text, in lower case, stands here in any case.
    bool at(QByteArrayView text) const
    {
        return m_head.size() - m_at >= text.size() &&
               qstrnicmp(m_head.data() + m_at, text.size(), text.data(), text.size()) == 0;
    }
    char peek(qsizetype ahead = 0) const
    {
        return m_at + ahead < m_head.size() ? m_head[m_at + ahead] : '\0';
    }
    void skipPast(QByteArrayView end);
    void skipSpaces();
    std::optional<Attribute> attribute();
    std::optional<QByteArray> metaCharset();

    QByteArrayView m_head;
    qsizetype m_at = 0;
};

void Prescan::skipPast(QByteArrayView end)
{
    const qsizetype found = m_head.indexOf(end, m_at);
    m_at = found < 0 ? m_head.size() : found + end.size();
}

void Prescan::skipSpaces()
{
    while (m_at < m_head.size() && (isSpace(peek()) || peek() == '/'))
        ++m_at;
}

// The next attribute of the tag, or nothing at its '>' (or the end of the head).
std::optional<Attribute> Prescan::attribute()
{
    skipSpaces();
    if (m_at >= m_head.size() || peek() == '>')
        return std::nullopt;
    Attribute attribute;
    while (m_at < m_head.size() && !isSpace(peek()) && peek() != '/' && peek() != '>' &&
           (peek() != '=' || attribute.name.isEmpty()))
        attribute.name += m_head[m_at++];
    attribute.name = std::move(attribute.name).toLower();
    while (m_at < m_head.size() && isSpace(peek()))
        ++m_at;
    if (peek() != '=')
        return attribute;
    ++m_at;
    while (m_at < m_head.size() && isSpace(peek()))
        ++m_at;
    if (peek() == '"' || peek() == '\'') {
        const char quote = m_head[m_at++];
        const qsizetype end = m_head.indexOf(quote, m_at);
        if (end < 0) { // cut off by the end of the head
            m_at = m_head.size();
            return std::nullopt;
        }
        attribute.value = m_head.sliced(m_at, end - m_at).toByteArray();
        m_at = end + 1;
        return attribute;
    }
    while (m_at < m_head.size() && !isSpace(peek()) && peek() != '>')
        attribute.value += m_head[m_at++];
    return attribute;
}

// The label in content="text/html; charset=LABEL", quoted or not.
std::optional<QByteArray> charsetInContent(const QByteArray &content)
{
    const QByteArray lower = content.toLower();
    for (qsizetype at = lower.indexOf("charset"); at >= 0; at = lower.indexOf("charset", at)) {
        at += 7;
        while (at < lower.size() && isSpace(lower[at]))
            ++at;
        if (at >= lower.size() || lower[at] != '=')
            continue;
        ++at;
        while (at < lower.size() && isSpace(lower[at]))
            ++at;
        if (at < lower.size() && (lower[at] == '"' || lower[at] == '\'')) {
            const qsizetype end = lower.indexOf(lower[at], at + 1);
            if (end < 0)
                return std::nullopt;
            return content.mid(at + 1, end - at - 1);
        }
        qsizetype end = at;
        while (end < lower.size() && !isSpace(lower[end]) && lower[end] != ';')
            ++end;
        return end > at ? std::optional(content.mid(at, end - at)) : std::nullopt;
    }
    return std::nullopt;
}

// After "<meta": its charset, or the one its Content-Type pragma names.
std::optional<QByteArray> Prescan::metaCharset()
{
    std::optional<QByteArray> charset, content;
    bool pragma = false;
    while (const std::optional<Attribute> attribute = this->attribute()) {
        if (attribute->name == "charset" && !charset)
            charset = attribute->value;
        else if (attribute->name == "content" && !content)
            content = attribute->value;
        else if (attribute->name == "http-equiv")
            pragma = pragma || attribute->value.trimmed().toLower() == "content-type";
    }
    if (charset)
        return charset;
    if (pragma && content)
        return charsetInContent(*content);
    return std::nullopt;
}

// Browsers pass over a label they do not know and read on; a page that declares only such
// labels is reported by the first, since which encoding they would then choose is not known.
std::optional<QByteArray> Prescan::charsetLabel()
{
    std::optional<QByteArray> unknown;
    while (m_at < m_head.size()) {
        if (at("<!--")) {
            m_at += 2; // "<!-->" is a whole comment
            skipPast("-->");
        } else if (at("<meta") && (isSpace(peek(5)) || peek(5) == '/')) {
            m_at += 5;
            if (const std::optional<QByteArray> label = metaCharset()) {
                const QByteArray normal = WebEncoding::normalLabel(*label);
                if (WebEncoding::forLabel(normal))
                    return normal;
                if (!unknown && !normal.isEmpty())
                    unknown = normal;
            }
        } else if (peek() == '<' && (isLetter(peek(1)) || (peek(1) == '/' && isLetter(peek(2))))) {
            while (m_at < m_head.size() && !isSpace(peek()) && peek() != '>')
                ++m_at;
            while (attribute()) {
            }
        } else if (peek() == '<' && (peek(1) == '!' || peek(1) == '/' || peek(1) == '?')) {
            skipPast(">");
        } else {
            ++m_at;
        }
    }
    return unknown;
}

} // namespace

std::optional<FileEncoding> DeclaredEncoding(QByteArrayView head)
{
    const std::optional<QByteArray> label =
        Prescan(head.first(std::min(head.size(), DeclarationBytes))).charsetLabel();
    if (!label)
        return std::nullopt;
    const WebEncoding *encoding = WebEncoding::forLabel(*label);
    if (encoding && encoding->form == WebEncoding::Form::Utf8)
        return FileEncoding::Utf8;
    return FileEncoding::declared(*label);
}
