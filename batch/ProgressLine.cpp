#include "ProgressLine.h"

#include "Console.h"

#include <cstdio>

namespace {

constexpr qint64 redrawMilliseconds = 100;

} // namespace

ProgressLine::ProgressLine(bool wanted) : m_shown(wanted && Console::errorIsTerminal()) {}

bool ProgressLine::due() const
{
    return m_shown && (!m_sinceDrawn.isValid() || m_sinceDrawn.hasExpired(redrawMilliseconds));
}

// Written over with spaces, not a terminal's erase sequence, which not every console knows.
void ProgressLine::draw(const QString &text)
{
    clear();
    const QByteArray line = Console::text(text);
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    m_width = line.size();
    m_sinceDrawn.start();
}

void ProgressLine::clear()
{
    if (m_width == 0)
        return;
    std::fprintf(stderr, "\r%*s\r", int(m_width), "");
    std::fflush(stderr);
    m_width = 0;
}
