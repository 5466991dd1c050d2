#include "NamePattern.h"

namespace {

// The listing this program was made for matched a pattern against each file's 8.3 short name
// too, and the short name of page.html is PAGE~1.HTM, so "*.htm" has always listed .html pages.
// Users rely on that, so a pattern ending in ".htm" also accepts ".html". It is deliberately not
// the whole short-name rule (which would take .htmx or .htm_ as well): only the HTML case that
// people actually meet is kept, and nothing a user would not call an HTML page is rewritten.
bool acceptsHtmlToo(const QString &pattern)
{
    return pattern.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

// Hand-made rather than QRegularExpression::wildcardToRegularExpression(): that one reads
// "[...]" as a character class, while in the folder listings this program imitates a bracket
// is an ordinary character of a file name.
QString expressionFor(const QString &pattern)
{
    QString expression;
    qsizetype literalStart = 0;
    for (qsizetype i = 0; i <= pattern.size(); ++i) {
        const bool atEnd = i == pattern.size();
        if (!atEnd && pattern[i] != u'*' && pattern[i] != u'?')
            continue;
        expression += QRegularExpression::escape(pattern.mid(literalStart, i - literalStart));
        if (!atEnd)
            expression += pattern[i] == u'*' ? QLatin1String(".*") : QLatin1String(".");
        literalStart = i + 1;
    }
    if (acceptsHtmlToo(pattern))
        expression += QLatin1String("l?");
    return QRegularExpression::anchoredPattern(expression);
}

} // namespace

NamePattern::NamePattern(const QString &pattern)
    : m_expression(expressionFor(pattern), QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption)
{}

bool NamePattern::matches(const QString &name) const
{
    return m_expression.match(name).hasMatch();
}
