#pragma once
#include "logo/LogoImage.h"
#include <cstdint>

// The blended preview: the logo laid over a background of one colour with a
// constant opacity, pixel for pixel at the logo's size.
//
// background is a colour value (red in bits 0-7, green 8-15, blue 16-23);
// opacity p runs from 0 to 255, values outside are clamped. For each colour
// channel of a premultiplied logo pixel S with alpha Sa over background D:
//     D = S * p / 255 + D * (1 - Sa * p / (255 * 255)),
// rounded to the nearest. p = 255 is the logo over the background with its
// own transparency, p = 0 the plain background. The result is opaque and has
// the logo's size; a null logo gives a null image.
//
// Blending a copy of the logo already scaled to the preview's size gives the
// same picture as scaling the full-size composite (the rule is linear in the
// premultiplied pixels), at a cost that no longer depends on the file.
LogoImage BlendLogo(const LogoImage &logo, uint32_t background, int opacity);
