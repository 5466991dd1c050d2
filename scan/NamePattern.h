#pragma once

#include <QRegularExpression>
#include <QString>

/// A file name wildcard as the folder field's listing understood it: '*' stands for any run of
/// characters, '?' for any one character, everything else for itself, without regard to case.
class NamePattern
{
public:
    /// Builds the matcher for pattern, for example "*.htm".
    explicit NamePattern(const QString &pattern);

    /// Whether the bare file name (no folder part) matches the pattern.
    bool matches(const QString &name) const;

private:
    QRegularExpression m_expression;
};
