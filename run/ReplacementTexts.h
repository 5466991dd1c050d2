#pragma once

#include <QString>

/// The search and replacement texts of a run, encoded on demand for each file encoding
/// (UTF-8, UTF-16 LE/BE, the legacy 8-bit code page) and cached, with one line replacer
/// per encoding. Built once per run.
class ReplacementTexts
{
public:
    ReplacementTexts(const QString &search, const QString &replacement);
    ~ReplacementTexts();

    const QString &search() const { return m_search; }
    const QString &replacement() const { return m_replacement; }

private:
    QString m_search;
    QString m_replacement;
};
