#pragma once

#include <QFont>
#include <QIcon>
#include <QSize>
#include <QString>

class QWidget;

// The look the two windows share. Their designs give positions and sizes in twips
// (1/1440 inch); at 96 dots per inch 15 twips make one device-independent pixel.

/// Twips to device-independent pixels, rounded to the nearest pixel.
int twips(int value);

/// Places a control at its designed position and size, given in twips. In a window smaller
/// than its design by shortfall (pixels), each edge named in follow moves by it, as if held
/// to the window's right or bottom edge: a control that follows only right and bottom
/// stretches, one that follows left and right too moves.
void placeInTwips(QWidget *control, int left, int top, int width, int height, QSize shortfall = {},
                  Qt::Edges follow = {});

/// Gives a top-level window a frame without a maximise button that cannot be resized, the
/// shared caption, and a fixed client area: its design (in twips) where the available area of
/// its screen holds that and the frame, else what that area holds, but never below minimum
/// (pixels).
void fixWindowDesign(QWidget *window, int width, int height, QSize minimum);

/// How much smaller than its design (in twips) a window's client area is, in pixels.
QSize designShortfall(const QWidget *window, int width, int height);

/// Moves a top-level window so that it is centred on the available area of its screen; one
/// larger than that area keeps its title bar on the screen.
void centreOnScreen(QWidget *window);

/// Verdana bold (weight 700) at pointSize, or a sans with close metrics where Verdana is absent.
QFont designFont(qreal pointSize);

/// "Tagmender" and the maker's notice; both windows carry it.
QString windowCaption();

/// The application icon in all the sizes that are shipped.
QIcon applicationIcon();
