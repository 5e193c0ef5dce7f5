#pragma once

#include <QPoint>

class QWidget;

namespace tavrilo {

class Instrument;

// The "Clock" menu of the transport controls (the right button on play, stop and the Speed
// slider): which source moves the step clock, and whether MIDI clock goes out. Built from the
// instrument each time it opens, so it shows the sources as they are then; choosing one is the
// instrument's business.
void showClockMenu(Instrument& instrument, QWidget* over, QPoint globalPos);

}  // namespace tavrilo
