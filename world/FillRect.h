// The one drawing primitive of the game: a solid rectangle in an RGB colour.
#pragma once

#include <cstdint>

struct SDL_Surface;

// rgb points at three bytes: red, green, blue. x and y are taken as signed
// 16-bit, w and h as unsigned 16-bit (their low 16 bits); SDL clips.
void fillRectRgb(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb);

// The same in two steps, for a drawing that fills hundreds of rectangles in
// one colour: map the colour once for the surface's pixel format, then fill
// with the mapped value.
uint32_t mapRgb(const SDL_Surface* surface, const uint8_t* rgb);
void fillRectMapped(SDL_Surface* surface, int x, int y, int w, int h, uint32_t colour);
