// The one drawing primitive of the game: a solid rectangle in an RGB colour.
// The cave and the bands draw with nothing else.
#pragma once

#include <cstdint>

struct SDL_Surface;

// rgb points at three bytes: red, green, blue, mapped to the surface's pixel
// format as SDL_MapRGB maps them. x and y are taken as signed 16-bit, w and h
// as unsigned 16-bit (their low 16 bits); SDL clips. The colour mapped last
// is remembered with its format, so a drawing of hundreds of fills in one
// colour maps it once.
void fillRectRgb(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb);
