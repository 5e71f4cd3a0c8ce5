#pragma once

#include "ui/GifWriter.h"

namespace ostrel::ui {

// The progress window's busy animation: twelve rounded spokes in a ring, the darkest one
// going round once per cycle and the others fading behind it. `side` pixels square (twice the
// size it is shown at, so that it stays sharp at scale 2); around the spokes transparent, their
// soft edges blended towards the window colour behind them.
GifAnimation BusyAnimation(int side = 64);

}  // namespace ostrel::ui
