// The screen on SDL 1.2: the display surface, its fills and its texts.
#include "platform/sdl/SdlScreen.h"

#include <SDL_ttf.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// What SDL_MapRGB reads of a format without a palette: its eight bytes of
// losses and shifts, Rloss to Ashift, from which SDL derives its masks. Two
// formats with the same bytes map every colour alike.
uint64_t mappingOf(const SDL_PixelFormat* format)
{
    uint64_t bytes;
    memcpy(&bytes, reinterpret_cast<const unsigned char*>(format) + offsetof(SDL_PixelFormat, Rloss), sizeof bytes);
    return bytes;
}
static_assert(offsetof(SDL_PixelFormat, Ashift) + 1 - offsetof(SDL_PixelFormat, Rloss) == sizeof(uint64_t),
              "the losses and shifts lie side by side");

// No format has all eight bytes at 255 (a shift of 255 reaches past any
// pixel). A paletted format's colours can change while its bytes stay, so
// its mapping is never reused.
const uint64_t NEVER_REUSED = ~uint64_t(0);

// The colour mapped last, by the format's bytes rather than its address: a
// format made where a freed one was is not taken for it.
struct MappedColour {
    uint64_t mapping;
    uint8_t rgb[3];
    Uint32 value;  // what SDL_MapRGB gave
};

MappedColour lastMapped = {NEVER_REUSED, {0, 0, 0}, 0};

void fill(SDL_Surface* surface, int x, int y, int w, int h, Uint32 value)
{
    SDL_Rect rect;
    rect.x = static_cast<Sint16>(x);
    rect.y = static_cast<Sint16>(y);
    rect.w = static_cast<Uint16>(w);
    rect.h = static_cast<Uint16>(h);
    SDL_FillRect(surface, &rect, value);
}

// Out of line and with fillRectRgb's own arguments, so that the common case,
// the colour of the fill before, costs no more than its comparisons.
__attribute__((noinline)) void mapAndFill(SDL_Surface* surface, int x, int y, int w, int h, const uint8_t* rgb)
{
    const SDL_PixelFormat* format = surface->format;
    const Uint32 value = SDL_MapRGB(format, rgb[0], rgb[1], rgb[2]);
    lastMapped = {format->palette ? NEVER_REUSED : mappingOf(format), {rgb[0], rgb[1], rgb[2]}, value};
    fill(surface, x, y, w, h, value);
}

}  // namespace

// Measured with bench/instructions, remembering the colour saves 1.0 to 2.3 %
// of a frame's instructions: a frame's hundreds of fills come in two colours.
void fillRectRgb(Screen* screen, int x, int y, int w, int h, const uint8_t* rgb)
{
    SDL_Surface* surface = surfaceOf(screen);
    const SDL_PixelFormat* format = surface->format;
    const MappedColour& m = lastMapped;
    const bool reuse = mappingOf(format) == m.mapping && !format->palette && memcmp(rgb, m.rgb, sizeof m.rgb) == 0;
    if (__builtin_expect(reuse, 1))
        fill(surface, x, y, w, h, m.value);
    else
        mapAndFill(surface, x, y, w, h, rgb);
}

void clearScreen(Screen* screen)
{
    SDL_Surface* surface = surfaceOf(screen);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
}

TextImage* renderText(Font* font, const char* text, const uint8_t* rgb)
{
    if (!font)
        return nullptr;
    const SDL_Color colour = {rgb[0], rgb[1], rgb[2], 0};
    return textImageOf(TTF_RenderText_Blended(fontOf(font), text, colour));
}

void drawTextImage(Screen* screen, TextImage* image, int x, int y)
{
    SDL_Rect where;
    where.x = static_cast<Sint16>(x);
    where.y = static_cast<Sint16>(y);
    where.w = 0;
    where.h = 0;
    SDL_BlitSurface(surfaceOf(image), nullptr, surfaceOf(screen), &where);
}

void freeTextImage(TextImage* image)
{
    SDL_FreeSurface(surfaceOf(image));
}

Font* openFont(int points)
{
    // Opening a FIFO would wait for a writer for ever, so anything but a
    // regular file (or a missing one, which SDL_ttf reports itself) is taken
    // as no font.
    TTF_Font* font = nullptr;
    struct stat status;
    if (stat(FONT_FILE, &status) == 0 && !S_ISREG(status.st_mode))
        SDL_SetError("Couldn't open %s", FONT_FILE);
    else
        font = TTF_OpenFont(FONT_FILE, points);
    if (!font) {
        printf("TTF_OpenFont: %s\n", SDL_GetError());
        fflush(stdout);
    }
    return fontOf(font);
}
