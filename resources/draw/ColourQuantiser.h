#pragma once

#include <QList>
#include <QRgb>

// Reduces a true-colour picture to a small palette for the 256-colour icon images.
class ColourQuantiser
{
public:
    /// Returns at most `maxColours` opaque colours that represent `pixels` (median cut).
    static QList<QRgb> palette(QList<QRgb> pixels, int maxColours);

    /// Returns the index of the entry of `palette` nearest to `colour`.
    static int nearest(const QList<QRgb> &palette, QRgb colour);
};
