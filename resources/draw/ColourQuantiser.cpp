#include "ColourQuantiser.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <limits>

namespace {
struct Box
{
    qsizetype begin;
    qsizetype end;
};

int channel(QRgb colour, int which)
{
    return which == 0 ? qRed(colour) : which == 1 ? qGreen(colour) : qBlue(colour);
}

// The channel with the widest spread in the box, and that spread.
std::pair<int, int> widestChannel(const QList<QRgb> &pixels, const Box &box)
{
    std::pair<int, int> best{0, -1};
    for (int which = 0; which < 3; ++which) {
        int low = 255;
        int high = 0;
        for (qsizetype i = box.begin; i < box.end; ++i) {
            low = std::min(low, channel(pixels[i], which));
            high = std::max(high, channel(pixels[i], which));
        }
        if (high - low > best.second) {
            best = {which, high - low};
        }
    }
    return best;
}

QRgb average(const QList<QRgb> &pixels, const Box &box)
{
    std::array<qint64, 3> sum{};
    for (qsizetype i = box.begin; i < box.end; ++i) {
        for (int which = 0; which < 3; ++which) {
            sum[static_cast<size_t>(which)] += channel(pixels[i], which);
        }
    }
    const qint64 count = box.end - box.begin;
    auto mean = [&](int which) {
        return static_cast<int>((sum[static_cast<size_t>(which)] + count / 2) / count);
    };
    return qRgb(mean(0), mean(1), mean(2));
}
} // namespace

QList<QRgb> ColourQuantiser::palette(QList<QRgb> pixels, int maxColours)
{
    QList<Box> boxes;
    if (!pixels.isEmpty()) {
        boxes.append({0, pixels.size()});
    }
    while (boxes.size() < maxColours) {
        qsizetype widest = -1;
        std::pair<int, int> split{0, 0};
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const auto candidate = widestChannel(pixels, boxes[i]);
            if (candidate.second > split.second) {
                widest = i;
                split = candidate;
            }
        }
        if (widest < 0) {
            break; // every box holds one colour only
        }
        const Box box = boxes[widest];
        const auto first = pixels.begin() + box.begin;
        const auto middle = first + (box.end - box.begin) / 2;
        std::nth_element(first, middle, pixels.begin() + box.end, [&](QRgb a, QRgb b) {
            return channel(a, split.first) < channel(b, split.first);
        });
        const qsizetype cut = middle - pixels.begin();
        boxes[widest] = {box.begin, cut};
        boxes.append({cut, box.end});
    }
    QList<QRgb> result;
    for (const Box &box : boxes) {
        result.append(average(pixels, box));
    }
    return result;
}

int ColourQuantiser::nearest(const QList<QRgb> &palette, QRgb colour)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (qsizetype i = 0; i < palette.size(); ++i) {
        int distance = 0;
        for (int which = 0; which < 3; ++which) {
            const int d = channel(palette[i], which) - channel(colour, which);
            distance += d * d;
        }
        if (distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}
