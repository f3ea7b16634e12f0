#pragma once
// Box-filter resampling of RGBA images, the step from an input image to a
// texture level and from each level to the next.

#include "tools/tex3df/texture_encoder.h"

// Each output pixel is the area-weighted mean of the input pixels it covers.
// Colours are averaged weighted by alpha, so transparent pixels do not bleed
// their colour into visible ones; where everything covered is transparent the
// plain mean is kept.
RgbaImage resampleBox(const RgbaImage& image, int width, int height);
