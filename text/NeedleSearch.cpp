#include "text/NeedleSearch.h"

#include "text/ByteSearch.h"

#include <algorithm>
#include <cstring>

NeedleSearch::NeedleSearch(FileEncoding encoding, const QByteArray &needle)
    : m_encoding(encoding), m_needle(needle), m_unit(UnitBytes(encoding)),
      m_cr(AsciiUnit('\r', encoding)), m_startsWithLf(needle.startsWith(AsciiUnit('\n', encoding)))
{
    Q_ASSERT(!needle.isEmpty());
}

bool NeedleSearch::canMatch(FileEncoding encoding, const QByteArray &needle)
{
    const QByteArray cr = AsciiUnit('\r', encoding);
    const qsizetype unit = UnitBytes(encoding);
    for (qsizetype at = 0; at + unit <= needle.size(); at += unit) {
        if (needle.sliced(at, unit) == cr)
            return false;
    }
    return true;
}

void NeedleSearch::search(const char *data, qsizetype size, qsizetype newFrom, qint64 base,
                          qsizetype markLength)
{
    const char *from = data + std::max<qsizetype>(0, newFrom - m_needle.size() + 1);
    const char *const end = data + size;
    while (!m_found) {
        const char *hit = find(from, end);
        if (hit == end)
            return;
        m_found = counts(data, hit - data, base, markLength);
        from = hit + 1;
    }
}

const char *NeedleSearch::find(const char *from, const char *end) const
{
    return FindBytes(from, end, m_needle.constData(), std::size_t(m_needle.size()));
}

bool NeedleSearch::counts(const char *data, qsizetype at, qint64 base, qsizetype markLength) const
{
    const qint64 offset = base + at;
    if (offset < markLength || (offset - markLength) % m_unit != 0)
        return false;
    return !(m_startsWithLf && at >= m_unit &&
             std::memcmp(data + at - m_unit, m_cr.constData(), size_t(m_unit)) == 0);
}
