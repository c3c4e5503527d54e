// The game's icon, drawn by code from the game's own shapes: the cave's
// ceiling and floor and a band that splits into two halves pushed apart.
#pragma once

struct SDL_Surface;

const int WINDOW_ICON_SIZE = 32;  // pixels: the window's, for title bars and task lists

// A size x size, 32-bit surface, its bytes red, green, blue, alpha in memory,
// transparent (all bytes 0) wherever nothing is drawn; null if SDL cannot make
// it. Every edge is worked out for the size in whole pixels, so each size is
// crisp. Free with SDL_FreeSurface.
SDL_Surface* makeIcon(int size);
