#include "tests/support/TestSurface.h"

SDL_Surface* makeTestSurface(int width, int height)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, SCREEN_DEPTH, 0xF800, 0x07E0, 0x001F, 0);
    SDL_FillRect(s, nullptr, 0);
    return s;
}

RgbPixel pixelAt(SDL_Surface* surface, int x, int y)
{
    const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(surface->pixels) + y * surface->pitch);
    RgbPixel p;
    SDL_GetRGB(row[x], surface->format, &p.r, &p.g, &p.b);
    return p;
}

RgbPixel storedColour(SDL_Surface* surface, uint8_t r, uint8_t g, uint8_t b)
{
    RgbPixel p;
    SDL_GetRGB(SDL_MapRGB(surface->format, r, g, b), surface->format, &p.r, &p.g, &p.b);
    return p;
}

int countInColumn(SDL_Surface* surface, int x, RgbPixel colour)
{
    int count = 0;
    for (int y = 0; y < surface->h; ++y)
        count += pixelAt(surface, x, y) == colour;
    return count;
}

int countAll(SDL_Surface* surface, RgbPixel colour)
{
    int count = 0;
    for (int x = 0; x < surface->w; ++x)
        count += countInColumn(surface, x, colour);
    return count;
}
