// The seam's screen, fonts and texts on SDL 1.2 are SDL's own objects: a
// Screen is the display's SDL_Surface, a TextImage a rendered text's, a Font
// a TTF_Font. These are the only conversions; nothing is allocated for them.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/Platform.h"

inline Screen* screenOf(SDL_Surface* surface) { return reinterpret_cast<Screen*>(surface); }
inline SDL_Surface* surfaceOf(Screen* screen) { return reinterpret_cast<SDL_Surface*>(screen); }
inline TextImage* textImageOf(SDL_Surface* surface) { return reinterpret_cast<TextImage*>(surface); }
inline SDL_Surface* surfaceOf(TextImage* image) { return reinterpret_cast<SDL_Surface*>(image); }
inline Font* fontOf(TTF_Font* font) { return reinterpret_cast<Font*>(font); }
inline TTF_Font* fontOf(Font* font) { return reinterpret_cast<TTF_Font*>(font); }

// The game's font file, in the working folder.
const char* const FONT_FILE = "font.ttf";

// FONT_FILE at points, or null, said on standard output with SDL's reason.
Font* openFont(int points);
