// Writes the software screen's glyph tables (Glyphs.h) as C++:
//   make_glyphs FONT.ttf COPYRIGHT OUT.cpp
// Each glyph is cut out of SDL_ttf's own rendering of it alone, so its
// coverage is exactly what TTF_RenderText_Blended puts into any text; the
// kerning is FreeType's, asked as SDL_ttf 2.0 asks it. The font's licence
// goes into the file with the glyphs.
#include <SDL.h>
#include <SDL_ttf.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Every character the game's texts hold (app/Screens.cpp): at 16 points the
// numbers of "%d" and "%0.2f" (digits, minus, point), "s", "top:  ",
// "last: " and "(press start to begin, select to exit)"; at 66 points only
// the title word, "vlim" (the glyphs of that size are most of the table).
const char SMALL_CHARACTERS[] = " (),-.0123456789:abcegilmnoprstvx";
const char TITLE_CHARACTERS[] = "ilmv";

struct Glyph {
    int minx, maxx, miny, advance, top, rows;
    size_t offset;
};

bool fail(const char* what, const char* why)
{
    fprintf(stderr, "make_glyphs: %s: %s\n", what, why);
    return false;
}

bool makeFont(const char* path, int points, const char* characters, FT_Library library, FILE* out)
{
    TTF_Font* font = TTF_OpenFont(path, points);
    FT_Face face;
    if (!font)
        return fail(path, TTF_GetError());
    if (FT_New_Face(library, path, 0, &face) || FT_Set_Char_Size(face, 0, points * 64, 0, 0))
        return fail(path, "FreeType cannot open it");
    const int count = static_cast<int>(strlen(characters));
    std::vector<Glyph> glyphs;
    std::vector<uint8_t> alpha;
    for (int i = 0; i < count; ++i) {
        Glyph g;
        const char text[2] = {characters[i], 0};
        if (TTF_GlyphMetrics(font, characters[i], &g.minx, &g.maxx, &g.miny, nullptr, &g.advance) != 0)
            return fail(text, TTF_GetError());
        // Alone, the glyph lies from column max(minx, 0): SDL_ttf moves a
        // first glyph that reaches left of the pen right by -minx.
        SDL_Surface* alone = TTF_RenderText_Blended(font, text, SDL_Color{255, 255, 255, 0});
        if (!alone)
            return fail(text, TTF_GetError());
        const int left = g.minx > 0 ? g.minx : 0, width = g.maxx - g.minx;
        if (alone->format->BytesPerPixel != 4 || alone->format->Amask != 0xFF000000u || left + width > alone->w)
            return fail(text, "not the 32-bit text SDL_ttf is known to render");
        auto at = [&](int row, int col) {
            const Uint32* line = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(alone->pixels) + row * alone->pitch);
            return static_cast<uint8_t>(line[left + col] >> 24);
        };
        int first = alone->h, last = -1;
        for (int row = 0; row < alone->h; ++row)
            for (int col = 0; col < width; ++col)
                if (at(row, col)) {
                    first = row < first ? row : first;
                    last = row;
                }
        g.top = last < 0 ? 0 : first;
        g.rows = last < 0 ? 0 : last + 1 - first;
        g.offset = alpha.size();
        for (int row = g.top; row < g.top + g.rows; ++row)
            for (int col = 0; col < width; ++col)
                alpha.push_back(at(row, col));
        SDL_FreeSurface(alone);
        glyphs.push_back(g);
    }

    fprintf(out, "\nnamespace {\n\nconst uint8_t ALPHA_%d[] = {", points);
    for (size_t i = 0; i < alpha.size(); ++i)
        fprintf(out, "%s%u,", i % 24 ? "" : "\n    ", alpha[i] >> 3);
    fprintf(out, "\n};\n\nconst Glyph GLYPH_LIST_%d[] = {\n", points);
    for (int i = 0; i < count; ++i) {
        const Glyph& g = glyphs[i];
        fprintf(out, "    {%d, %d, %d, %d, %d, %d, %zu},  // '%c'\n", g.minx, g.maxx, g.miny, g.advance, g.top, g.rows,
                g.offset, characters[i]);
    }
    // SDL_ttf 2.0 kerns when the face has kerning, by FreeType's default
    // (grid-fitted) kerning in 26.6 pixels, shifted down to whole ones.
    fprintf(out, "};\n\nconst int8_t KERNING_%d[] = {", points);
    for (int l = 0; l < count; ++l) {
        fprintf(out, "\n   ");
        for (int r = 0; r < count; ++r) {
            FT_Vector delta = {0, 0};
            if (FT_HAS_KERNING(face) &&
                FT_Get_Kerning(face, FT_Get_Char_Index(face, static_cast<unsigned char>(characters[l])),
                               FT_Get_Char_Index(face, static_cast<unsigned char>(characters[r])), FT_KERNING_DEFAULT, &delta))
                return fail(path, "FreeType cannot kern it");
            fprintf(out, " %ld,", static_cast<long>(delta.x >> 6));
        }
    }
    fprintf(out, "\n};\n\n}  // namespace\n\nconst GlyphFont GLYPHS_%d = {\n    %d, %d, %d, %d,\n    {", points, points,
            TTF_FontAscent(font), TTF_FontHeight(font), count);
    for (int c = 0; c < 128; ++c) {
        const char* found = c ? strchr(characters, c) : nullptr;
        fprintf(out, "%s%d,", c % 32 ? " " : "\n     ", found ? static_cast<int>(found - characters) : -1);
    }
    fprintf(out, "\n    },\n    GLYPH_LIST_%d, KERNING_%d, ALPHA_%d,\n};\n", points, points, points);
    FT_Done_Face(face);
    TTF_CloseFont(font);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: make_glyphs FONT.ttf COPYRIGHT OUT.cpp\n");
        return 2;
    }
    FILE* licence = fopen(argv[2], "r");
    if (!licence)
        return fail(argv[2], strerror(errno)), 1;
    const std::string temporary = std::string(argv[3]) + ".tmp";
    FILE* out = fopen(temporary.c_str(), "w");
    if (!out)
        return fail(temporary.c_str(), strerror(errno)), 1;
    FT_Library library;
    if (SDL_Init(0) < 0 || TTF_Init() < 0 || FT_Init_FreeType(&library))
        return fail("SDL_ttf", "cannot start"), 1;

    fprintf(out, "// Made by make_glyphs from DejaVu Sans, whose licence follows: do not edit.\n//\n");
    char line[1024];
    while (fgets(line, sizeof line, licence))
        fprintf(out, "//%s%s", line[0] == '\n' ? "" : " ", line);
    fclose(licence);
    fprintf(out, "\n#include \"platform/software/Glyphs.h\"\n");
    bool made = makeFont(argv[1], 16, SMALL_CHARACTERS, library, out) &&
                makeFont(argv[1], 66, TITLE_CHARACTERS, library, out);
    made = fclose(out) == 0 && made;
    FT_Done_FreeType(library);
    TTF_Quit();
    SDL_Quit();
    if (!made || rename(temporary.c_str(), argv[3]) != 0) {
        remove(temporary.c_str());
        return fail(argv[3], "not written"), 1;
    }
    return 0;
}
