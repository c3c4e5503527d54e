// The icon, drawn as the game draws: column by column with fillRectRgb, the
// walls first, then the band.
#include "platform/sdl/Icon.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

#include "bands/Band.h"
#include "cave/Cave.h"
#include "platform/sdl/SdlScreen.h"

namespace {

const double TWO_PI = 6.283185307179586;

// Lengths as fractions of the icon's size, rounded to whole pixels at each
// size. The halves end an eighth short of the right edge, into open cave,
// where both walls are thin enough to leave them clear.
const double HALF_THICKNESS = 0.125;  // the band is twice this, each half once
const double PUSH = 0.125;            // how far out each half is pushed by its head
const double SPLIT_AT = 0.375;        // the column where the band divides
const double HEAD_MARGIN = 0.125;     // past the halves' heads

int pixels(int size, double fraction)
{
    return static_cast<int>(std::lround(size * fraction));
}

// A wall's thickness at column x: a cosine, as the cave's walls are, with a
// midline, an amplitude, a phase and a period as fractions of the size. The
// ceiling and the floor differ in period, as in the cave, and both are thick
// over the whole band on the left and thin over the halves on the right.
int wallRows(int x, int size, double midline, double amplitude, double phase, double period)
{
    const double t = (x + 0.5) / size;
    return pixels(size, midline + amplitude * std::cos(TWO_PI * (t - phase) / period));
}

}  // namespace

SDL_Surface* makeIcon(int size)
{
#if SDL_BYTEORDER == SDL_BIG_ENDIAN
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF);
#else
    SDL_Surface* icon = SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
#endif
    if (!icon)
        return nullptr;
    SDL_FillRect(icon, nullptr, 0);

    for (int x = 0; x < size; ++x) {
        fillRectRgb(screenOf(icon), x, 0, 1, wallRows(x, size, 0.2, 0.09, -0.02, 1.2), WALL_COLOUR);
        const int floor = wallRows(x, size, 0.19, 0.08, 0.22, 1.1);
        fillRectRgb(screenOf(icon), x, size - floor, 1, floor, WALL_COLOUR);
    }

    // The halves leave the middle fast and then fly on almost level (an ease
    // out), so that even at 16 pixels the fork shows at once.
    const int half = std::max(1, pixels(size, HALF_THICKNESS));
    const int push = std::max(1, pixels(size, PUSH));
    const int middle = size / 2;
    const int split = pixels(size, SPLIT_AT);
    const int head = size - pixels(size, HEAD_MARGIN);
    for (int x = 0; x < head; ++x) {
        if (x < split) {
            fillRectRgb(screenOf(icon), x, middle - half, 1, 2 * half, BAND_COLOUR);
            continue;
        }
        const double left = 1.0 - double(x + 1 - split) / (head - split);
        const int apart = static_cast<int>(std::lround(push * (1.0 - left * left)));
        fillRectRgb(screenOf(icon), x, middle - half - apart, 1, half, BAND_COLOUR);
        fillRectRgb(screenOf(icon), x, middle + apart, 1, half, BAND_COLOUR);
    }
    return icon;
}
