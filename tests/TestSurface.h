// Off-screen 16-bit surfaces for drawing tests, and pixel read-back.
#pragma once

#include <SDL.h>

#include <cstdint>

struct RgbPixel {
    uint8_t r, g, b;
    bool operator==(const RgbPixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A 320x240 RGB565 software surface filled with black; free with SDL_FreeSurface.
SDL_Surface* makeTestSurface(int width = 320, int height = 240);
// The colour at (x, y), as the surface's format maps it back.
RgbPixel pixelAt(SDL_Surface* surface, int x, int y);
// The colour an exact (r, g, b) becomes once stored in the surface.
RgbPixel storedColour(SDL_Surface* surface, uint8_t r, uint8_t g, uint8_t b);
// Number of pixels of the given stored colour in column x, and in the whole surface.
int countInColumn(SDL_Surface* surface, int x, RgbPixel colour);
int countAll(SDL_Surface* surface, RgbPixel colour);
