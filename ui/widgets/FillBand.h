#pragma once

namespace ui {

// Scan lines painted at a time by the widgets that repaint often. The raster
// engine hands a fill of many scan lines to worker threads, and on a busy
// machine the hand-over costs more in switching than the fill itself.
constexpr int kFillBand = 64;

} // namespace ui
