// Drawing on the software screen, as SDL 1.2 and SDL_ttf 2.0 draw.
#include "platform/software/SoftwareScreen.h"

#include <algorithm>

const GlyphFont* glyphFontAt(int points)
{
    return points == 16 ? &GLYPHS_16 : points == 66 ? &GLYPHS_66 : nullptr;
}

void fillSoftware(SoftwareScreen& screen, int x, int y, int w, int h, uint16_t colour)
{
    // SDL_Rect's fields, then SDL_IntersectRect with the whole screen.
    const int left = static_cast<int16_t>(x), top = static_cast<int16_t>(y);
    const int right = std::min(left + static_cast<uint16_t>(w), SCREEN_WIDTH);
    const int bottom = std::min(top + static_cast<uint16_t>(h), SCREEN_HEIGHT);
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    if (right <= x0 || bottom <= y0)
        return;
    for (int row = y0; row < bottom; ++row)
        std::fill(screen.pixels + row * SCREEN_WIDTH + x0, screen.pixels + row * SCREEN_WIDTH + right, colour);
}

SoftwareText* renderSoftwareText(const GlyphFont& font, const char* text, const uint8_t* rgb)
{
    // TTF_SizeText: the pen's extent and the glyphs' boxes, kerned; as high
    // as the ascent and the lowest glyph, at least the font's height.
    int pen = 0, minx = 0, maxx = 0, miny = 0, previous = -1;
    for (const char* c = text; *c; ++c) {
        const int i = static_cast<unsigned char>(*c) < 128 ? font.index[static_cast<unsigned char>(*c)] : -1;
        if (i < 0)
            return nullptr;
        const Glyph& g = font.glyphs[i];
        if (previous >= 0)
            pen += font.kerning[previous * font.glyphCount + i];
        minx = std::min(minx, pen + g.minx);
        maxx = std::max(maxx, pen + std::max<int>(g.advance, g.maxx));
        miny = std::min<int>(miny, g.miny);
        pen += g.advance;
        previous = i;
    }
    if (maxx - minx == 0)
        return nullptr;

    SoftwareText* image = new SoftwareText;
    image->width = maxx - minx;
    image->height = std::max(font.ascent - miny, font.height);
    image->colour = mapRgb565(rgb);
    image->spread = static_cast<uint32_t>(rgb[1] >> 2) << 21 | static_cast<uint32_t>(rgb[0] >> 3) << 11 | rgb[2] >> 3;
    const long size = static_cast<long>(image->width) * image->height;
    image->alpha.assign(size, 0);

    // TTF_RenderText_Blended: each glyph at the pen plus its minx, the first
    // moved right when it reaches left of the pen; coverages of glyphs that
    // overlap are or-ed. A row is written on from where it starts, past the
    // text's right edge into the next row, up to the end of the text.
    pen = 0;
    previous = -1;
    for (const char* c = text; *c; ++c) {
        const int i = font.index[static_cast<unsigned char>(*c)];
        const Glyph& g = font.glyphs[i];
        if (previous >= 0)
            pen += font.kerning[previous * font.glyphCount + i];
        else if (g.minx < 0)
            pen -= g.minx;
        const int width = g.maxx - g.minx;
        const uint8_t* coverage = font.alpha + g.offset;
        for (int row = 0; row < g.rows; ++row) {
            long at = static_cast<long>(g.top + row) * image->width + pen + g.minx;
            for (int col = 0; col < width; ++col, ++at)
                if (at >= 0 && at < size)
                    image->alpha[at] |= coverage[row * width + col];
        }
        pen += g.advance;
        previous = i;
    }
    return image;
}

void blendSoftwareText(SoftwareScreen& screen, const SoftwareText& text, int x, int y)
{
    const int left = static_cast<int16_t>(x), top = static_cast<int16_t>(y);
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + text.width, SCREEN_WIDTH), y1 = std::min(top + text.height, SCREEN_HEIGHT);
    for (int row = y0; row < y1; ++row) {
        const uint8_t* alpha = text.alpha.data() + static_cast<long>(row - top) * text.width - left;
        uint16_t* line = screen.pixels + row * SCREEN_WIDTH;
        for (int col = x0; col < x1; ++col)
            if (alpha[col])
                line[col] = blend565(line[col], text.colour, text.spread, alpha[col]);
    }
}
