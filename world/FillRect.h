// The one drawing primitive of the game: a solid rectangle in an RGB colour.
#pragma once

#include <cstdint>

struct SDL_Surface;

// rgb points at three bytes: red, green, blue. x and y are taken as signed
// 16-bit, w and h as unsigned 16-bit (their low 16 bits); SDL clips.
void fillRectRgb(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb);
