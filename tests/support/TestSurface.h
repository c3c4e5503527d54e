// Off-screen 16-bit surfaces for drawing tests, and pixel read-back.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/sdl/SdlScreen.h"
#include "world/Screen.h"

struct RgbPixel {
    uint8_t r, g, b;
    bool operator==(const RgbPixel& o) const { return r == o.r && g == o.g && b == o.b; }
};

// An RGB565 software surface, the screen's size unless told, filled with
// black; free with SDL_FreeSurface.
inline SDL_Surface* makeTestSurface(int width = SCREEN_WIDTH, int height = SCREEN_HEIGHT)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, SCREEN_DEPTH, 0xF800, 0x07E0, 0x001F, 0);
    SDL_FillRect(s, nullptr, 0);
    return s;
}

// The colour at (x, y), as the surface's format maps it back.
inline RgbPixel pixelAt(SDL_Surface* surface, int x, int y)
{
    const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
    RgbPixel p;
    SDL_GetRGB(row[x], surface->format, &p.r, &p.g, &p.b);
    return p;
}

// The colour an exact (r, g, b) becomes once stored in the surface.
inline RgbPixel storedColour(SDL_Surface* surface, uint8_t r, uint8_t g, uint8_t b)
{
    RgbPixel p;
    SDL_GetRGB(SDL_MapRGB(surface->format, r, g, b), surface->format, &p.r, &p.g, &p.b);
    return p;
}
inline RgbPixel storedColour(SDL_Surface* surface, const uint8_t* rgb)
{
    return storedColour(surface, rgb[0], rgb[1], rgb[2]);
}

// Number of pixels of the given stored colour in column x, and in the whole surface.
inline int countInColumn(SDL_Surface* surface, int x, RgbPixel colour)
{
    int count = 0;
    for (int y = 0; y < surface->h; ++y)
        count += pixelAt(surface, x, y) == colour;
    return count;
}
inline int countAll(SDL_Surface* surface, RgbPixel colour)
{
    int count = 0;
    for (int x = 0; x < surface->w; ++x)
        count += countInColumn(surface, x, colour);
    return count;
}
