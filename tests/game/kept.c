/* Kept for the whole run.
 *
 * The game opens two fonts and caches the in-run display's two texts, and by
 * design frees none of them: they live until the process ends. It holds them
 * in main's locals, which are gone by the time the leak checkers
 * (LeakSanitizer, valgrind) look at exit, so these would be reported as lost
 * although nothing lost them. Kept here as well, they stay reachable; in
 * return the bound that makes them no leak is checked: two fonts, and at most
 * two rendered texts alive at the end of every frame. A text beyond that is a
 * leak: it is reported in the frame it happens and the game is ended with
 * SHIM_STATUS_LEAK. */
#include <SDL_ttf.h>
#include <stdio.h>
#include <unistd.h>

#include "shim.h"

enum { FONTS_KEPT = 2, TEXTS_KEPT = 2, TEXT_SLOTS = 64 };
static TTF_Font* volatile fonts[FONTS_KEPT]; /* only written: volatile keeps the stores */
static int fontCount;
static SDL_Surface* liveTexts[TEXT_SLOTS]; /* rendered and not yet freed */
static int liveTextCount;
static unsigned long textsRendered;

static void leak(const char* what)
{
    fprintf(stderr, "game_script: after frame %lu: %s\n", framesFlipped, what);
    _exit(SHIM_STATUS_LEAK);
}

TTF_Font* TTF_OpenFont(const char* file, int points)
{
    REAL(TTF_OpenFont);
    TTF_Font* font = real_TTF_OpenFont(file, points);
    if (font) {
        if (fontCount == FONTS_KEPT)
            leak("a third font opened; the game keeps two");
        fonts[fontCount++] = font;
    }
    return font;
}

SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color colour)
{
    REAL(TTF_RenderText_Blended);
    SDL_Surface* rendered = real_TTF_RenderText_Blended(font, text, colour);
    if (rendered) {
        if (liveTextCount == TEXT_SLOTS)
            leak("too many rendered texts alive");
        liveTexts[liveTextCount++] = rendered;
        ++textsRendered;
    }
    return rendered;
}

void SDL_FreeSurface(SDL_Surface* surface)
{
    REAL(SDL_FreeSurface);
    for (int i = 0; i < liveTextCount; ++i) {
        if (liveTexts[i] == surface) {
            liveTexts[i] = liveTexts[--liveTextCount];
            break;
        }
    }
    real_SDL_FreeSurface(surface);
}

void checkKeptTexts(void)
{
    if (liveTextCount > TEXTS_KEPT) {
        char what[96];
        snprintf(what, sizeof what, "%d rendered texts alive; the game keeps %d", liveTextCount, TEXTS_KEPT);
        leak(what);
    }
}

unsigned long textsRenderedSoFar(void)
{
    return textsRendered;
}
