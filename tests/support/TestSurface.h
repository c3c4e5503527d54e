// Off-screen 16-bit surfaces for drawing tests, and pixel read-back.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "world/Screen.h"

struct RgbPixel {
    uint8_t r, g, b;
    bool operator==(const RgbPixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

// An RGB565 software surface, the screen's size unless told, filled with
// black; free with SDL_FreeSurface.
SDL_Surface* makeTestSurface(int width = SCREEN_WIDTH, int height = SCREEN_HEIGHT);
// The colour at (x, y), as the surface's format maps it back.
RgbPixel pixelAt(SDL_Surface* surface, int x, int y);
// The colour an exact (r, g, b) becomes once stored in the surface.
RgbPixel storedColour(SDL_Surface* surface, uint8_t r, uint8_t g, uint8_t b);
inline RgbPixel storedColour(SDL_Surface* surface, const uint8_t* rgb)
{
    return storedColour(surface, rgb[0], rgb[1], rgb[2]);
}
// Number of pixels of the given stored colour in column x, and in the whole surface.
int countInColumn(SDL_Surface* surface, int x, RgbPixel colour);
int countAll(SDL_Surface* surface, RgbPixel colour);
