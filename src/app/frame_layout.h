// frame_layout.h - where the frame goes in the view, in device pixels.
//
// The surface keeps its start-up size; the view shows it at a whole number of
// device pixels per surface pixel, centred, so pixels stay crisp at any device
// pixel ratio:
// - ScaleToWindow (the default): the largest whole factor that fits the view.
//   Only a view too small for even one device pixel per surface pixel gets the
//   frame shrunk to fit, keeping its proportions (factor 0: not whole).
// - ActualSize: one logical pixel per surface pixel, rounded down to whole
//   device pixels (at least one); a smaller view crops the frame's edges.
// The frame is centred in every case; an odd pixel left over goes after it
// (right or below), whether it is margin or cropped.
#pragma once

#include <QRect>
#include <QSize>

namespace walkers {

enum class ScaleMode { ActualSize, ScaleToWindow };

struct FramePlacement {
    QRect target; // in device pixels of the view
    int factor;   // device pixels per surface pixel; 0 when shrunk to fit
};

// view: the view's size in device pixels (its logical size times the ratio,
// rounded down); device_pixel_ratio: device pixels per logical pixel.
FramePlacement place_frame(QSize frame, QSize view, double device_pixel_ratio, ScaleMode mode);

// The view's size in device pixels for a logical size and ratio, rounded down.
QSize device_size(QSize logical, double device_pixel_ratio);

// The start scale a window can open at: the largest whole factor from 1 to
// `asked` at which the frame shown that many times, plus `around` (the menu bar
// and the window's decorations), fits `available` (the screen less its panels).
// 1 when even that does not fit: the window then opens at its usual size.
int fitting_scale(QSize frame, QSize around, QSize available, int asked);

} // namespace walkers
