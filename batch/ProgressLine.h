#pragma once

#include <QElapsedTimer>
#include <QString>

/// How far a run is, as one line on standard error that is drawn over again, and only where
/// standard error is a terminal: in a file or a pipe it would be noise. Redrawn at most ten
/// times a second, so a fast run spends its time on pages, not on the terminal.
class ProgressLine
{
public:
    explicit ProgressLine(bool wanted);

    /// Whether a redraw is due; text is worth making only then.
    bool due() const;

    /// Draws text over the line.
    void draw(const QString &text);

    /// Removes the line, before any other output, so that it never mixes with it.
    void clear();

private:
    bool m_shown;
    QElapsedTimer m_sinceDrawn;
    qsizetype m_width = 0; ///< of the text on the terminal now
};
