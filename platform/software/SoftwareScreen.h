// The screen as a plain buffer: 320x240 pixels of RGB565, drawn as SDL 1.2
// draws on a 16-bit display surface, and texts as SDL_ttf renders and SDL
// blends them, from the glyphs rasterised at build time (Glyphs.h). Nothing
// here needs SDL or FreeType. Screen.cpp is the seam's screen on it; a
// platform that shows a buffer opens one here.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"
#include "platform/software/Glyphs.h"
#include "world/Screen.h"

struct SoftwareScreen {
    uint16_t pixels[SCREEN_WIDTH * SCREEN_HEIGHT];  // row by row, 5 bits red, 6 green, 5 blue
};

// A rendered text: its coverage, as SDL_ttf's blended text holds it in its
// alpha, cut to the five bits SDL's blit uses, and its one colour.
struct SoftwareText {
    int width = 0, height = 0;
    uint16_t colour = 0;  // the colour as a pixel: what a fully covered pixel becomes
    uint32_t spread = 0;  // the colour with green apart from red and blue, for the blend
    std::vector<uint8_t> alpha;  // width * height, 0 to 31
};

// The fonts at 16 and 66 points; null at any other size.
const GlyphFont* glyphFontAt(int points);

// The seam's objects are these; the only conversions.
inline Screen* screenOf(SoftwareScreen* screen) { return reinterpret_cast<Screen*>(screen); }
inline SoftwareScreen& softwareScreenOf(Screen* screen) { return *reinterpret_cast<SoftwareScreen*>(screen); }
inline Font* fontOf(const GlyphFont* font) { return reinterpret_cast<Font*>(const_cast<GlyphFont*>(font)); }
inline const GlyphFont& glyphFontOf(Font* font) { return *reinterpret_cast<const GlyphFont*>(font); }
inline TextImage* textImageOf(SoftwareText* text) { return reinterpret_cast<TextImage*>(text); }
inline SoftwareText& softwareTextOf(TextImage* image) { return *reinterpret_cast<SoftwareText*>(image); }

// rgb (three bytes) as SDL_MapRGB maps it to a 16-bit RGB565 surface.
inline uint16_t mapRgb565(const uint8_t* rgb)
{
    return static_cast<uint16_t>((rgb[0] >> 3) << 11 | (rgb[1] >> 2) << 5 | rgb[2] >> 3);
}

// Fills as SDL_FillRect does: x and y signed 16-bit, w and h unsigned 16-bit,
// clipped to the screen.
void fillSoftware(SoftwareScreen& screen, int x, int y, int w, int h, uint16_t colour);

// text as TTF_RenderText_Blended renders it in rgb: null when a character
// has no glyph or the text has no width, as SDL_ttf refuses it.
SoftwareText* renderSoftwareText(const GlyphFont& font, const char* text, const uint8_t* rgb);

// One pixel of a text of that colour and spread at alpha (0 to 31) over
// pixel, as SDL 1.2's blit of a 32-bit text with alpha blends it onto RGB565.
inline uint16_t blend565(uint16_t pixel, uint16_t colour, uint32_t spread, unsigned alpha)
{
    if (alpha == 31)
        return colour;
    uint32_t d = (pixel | static_cast<uint32_t>(pixel) << 16) & 0x07e0f81f;
    d += (spread - d) * alpha >> 5;
    d &= 0x07e0f81f;
    return static_cast<uint16_t>(d | d >> 16);
}

// Blends text onto the screen with its top-left corner at (x, y), taken as
// signed 16-bit and clipped to the screen, as SDL_BlitSurface does.
void blendSoftwareText(SoftwareScreen& screen, const SoftwareText& text, int x, int y);
