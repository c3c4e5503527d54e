// The fills that the cave and the bands draw with.
#include "world/FillRect.h"

#include <SDL.h>

uint32_t mapRgb(const SDL_Surface* surface, const uint8_t* rgb)
{
    return SDL_MapRGB(surface->format, rgb[0], rgb[1], rgb[2]);
}

void fillRectMapped(SDL_Surface* surface, int x, int y, int w, int h, uint32_t colour)
{
    SDL_Rect rect;
    rect.x = static_cast<Sint16>(x);
    rect.y = static_cast<Sint16>(y);
    rect.w = static_cast<Uint16>(w);
    rect.h = static_cast<Uint16>(h);
    SDL_FillRect(surface, &rect, colour);
}

void fillRectRgb(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb)
{
    fillRectMapped(surface, x, y, w, h, mapRgb(surface, rgb));
}
