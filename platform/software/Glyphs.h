// The game's characters in DejaVu Sans at the two sizes it draws, as SDL_ttf
// rasterised them when the game was built (make_glyphs.cpp writes the
// tables), with what SDL_ttf lays a string out by: each glyph's box and
// advance, the font's ascent and height, the kerning of every pair.
#pragma once

#include <cstdint>

struct Glyph {
    int16_t minx, maxx;  // the glyph's box from the pen, as TTF_GlyphMetrics gives it
    int16_t miny;        // its lowest row below the baseline (negative below)
    int16_t advance;
    // Its coverage, as SDL_ttf copies it into a text: a strip of
    // maxx - minx columns, rows top to top + rows - 1 from the text's top
    // (rows outside it are empty), at alpha + offset.
    uint16_t top, rows;
    uint32_t offset;
};

struct GlyphFont {
    int points;
    int ascent, height;  // TTF_FontAscent, TTF_FontHeight
    int glyphCount;
    int8_t index[128];   // each character's glyph; -1: none
    const Glyph* glyphs;
    const int8_t* kerning;  // [left * glyphCount + right], whole pixels
    // 0 to 31: the five bits of SDL_ttf's coverage that SDL's blit uses
    // (a shift that or-ing overlapping glyphs commutes with).
    const uint8_t* alpha;
};

// At 16 and 66 points: the in-run display and the title screen's lines, and
// the title word, whose characters alone the 66-point font holds.
extern const GlyphFont GLYPHS_16;
extern const GlyphFont GLYPHS_66;
