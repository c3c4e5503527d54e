// fillRectRgb: the cave and the bands draw only through this.
#include "world/FillRect.h"

#include <SDL.h>

void fillRectRgb(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb)
{
    const Uint32 colour = SDL_MapRGB(surface->format, rgb[0], rgb[1], rgb[2]);
    SDL_Rect rect;
    rect.x = static_cast<Sint16>(x);
    rect.y = static_cast<Sint16>(y);
    rect.w = static_cast<Uint16>(w);
    rect.h = static_cast<Uint16>(h);
    SDL_FillRect(surface, &rect, colour);
}
