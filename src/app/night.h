#pragma once
// Night mode: every window, dialog, tooltip and menu of the program red on black, so that a
// look at the screen at the telescope does not cost the observer their dark adaptation.

#include <QColor>

namespace orv::app::night {

// Switches the whole program to red on black at `level` (0 the brightest of the three), or
// back to the look it had before.
void apply(bool on, int level);
bool on();
// Night mode's red at the chosen brightness, `full` out of 255 at the brightest.
QColor red(int full);

}  // namespace orv::app::night
