#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QWidget;

// The look the two windows share. Their designs give positions and sizes in twips
// (1/1440 inch); at 96 dots per inch 15 twips make one device-independent pixel.

/// Twips to device-independent pixels, rounded to the nearest pixel.
int twips(int value);

/// Places a control at its designed position and size, given in twips.
void placeInTwips(QWidget *control, int left, int top, int width, int height);

/// Gives a top-level window its fixed client area (in twips), a frame without a maximise
/// button that cannot be resized, and the shared caption.
void fixWindowDesign(QWidget *window, int width, int height);

/// Moves a top-level window so that it is centred on its screen.
void centreOnScreen(QWidget *window);

/// Verdana bold (weight 700) at pointSize, or a sans with close metrics where Verdana is absent.
QFont designFont(qreal pointSize);

/// "Tagmender" and the maker's notice; both windows carry it.
QString windowCaption();

/// The application icon in all the sizes that are shipped.
QIcon applicationIcon();
