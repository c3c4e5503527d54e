// The software screen against SDL 1.2 and SDL_ttf, which it must equal to
// the pixel: colours, fills and their clipping, the blend of a text's every
// coverage onto every pixel, and texts laid out, rendered and blitted.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/Screens.h"
#include "platform/software/SoftwareScreen.h"
#include "tests/support/TestSurface.h"

namespace {

// Every pixel of the two screens alike; on a difference, where and what.
void expectSameScreen(SDL_Surface* sdl, const SoftwareScreen& software, const std::string& what)
{
    for (int y = 0; y < SCREEN_HEIGHT; ++y) {
        const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(sdl->pixels) + y * sdl->pitch);
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (row[x] != software.pixels[y * SCREEN_WIDTH + x]) {
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << software.pixels[y * SCREEN_WIDTH + x]
                              << ", SDL's " << row[x];
                return;
            }
    }
}

SDL_Surface* makeBlendedText(int width, int height)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
}

}  // namespace

TEST(SoftwareScreen, MapsEveryColourAsSdlMapRgb)
{
    SDL_Surface* surface = makeTestSurface(1, 1);
    int wrong = 0;
    for (uint32_t c = 0; c < 1u << 24; ++c) {
        const uint8_t rgb[3] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)};
        wrong += mapRgb565(rgb) != SDL_MapRGB(surface->format, rgb[0], rgb[1], rgb[2]);
    }
    EXPECT_EQ(wrong, 0);
    SDL_FreeSurface(surface);
}

// The classic library's blit of a 32-bit text with per-pixel alpha onto
// RGB565, over all 256 alphas and all 65,536 pixels beneath, in the text's
// colour and in white.
TEST(SoftwareScreen, BlendsEveryAlphaOntoEveryPixelAsSdlBlits)
{
    SDL_Surface* text = makeBlendedText(256, 256);
    SDL_Surface* below = makeTestSurface(256, 256);
    const uint8_t white[3] = {255, 255, 255};
    for (const uint8_t* rgb : {TEXT_COLOUR, white}) {
        SoftwareText* colour = renderSoftwareText(GLYPHS_16, "0", rgb);
        int wrong = 0;
        for (int alpha = 0; alpha < 256; ++alpha) {
            const Uint32 source = Uint32(alpha) << 24 | rgb[0] << 16 | rgb[1] << 8 | rgb[2];
            for (int i = 0; i < 256 * 256; ++i) {
                static_cast<Uint32*>(text->pixels)[i] = source;
                static_cast<Uint16*>(below->pixels)[i] = static_cast<Uint16>(i);
            }
            SDL_BlitSurface(text, nullptr, below, nullptr);
            for (int i = 0; i < 256 * 256; ++i) {
                const uint16_t expected = alpha >> 3 ? blend565(static_cast<uint16_t>(i), colour->colour, colour->spread, alpha >> 3)
                                                     : static_cast<uint16_t>(i);
                wrong += static_cast<Uint16*>(below->pixels)[i] != expected;
            }
        }
        delete colour;
        EXPECT_EQ(wrong, 0) << "colour " << int(rgb[0]) << " " << int(rgb[1]) << " " << int(rgb[2]);
    }
    SDL_FreeSurface(text);
    SDL_FreeSurface(below);
}

TEST(SoftwareScreen, FillsAndClipsAsSdlFillRect)
{
    SDL_Surface* sdl = makeTestSurface();
    SoftwareScreen software;
    clearScreen(screenOf(sdl));
    memset(software.pixels, 0, sizeof software.pixels);
    std::mt19937 random(7);
    // Near the edges, past them, and beyond 16 bits, where only the low bits count.
    const int corners[] = {-70000, -65536, -32769, -32768, -400, -1, 0, 1, 239, 240, 319, 320, 32767, 32768, 65535, 65536, 65856};
    auto coordinate = [&]() {
        return random() % 3 ? static_cast<int>(random() % 400) - 40 : corners[random() % (sizeof corners / sizeof *corners)];
    };
    for (int i = 0; i < 20000; ++i) {
        const int x = coordinate(), y = coordinate(), w = coordinate(), h = coordinate();
        const uint8_t rgb[3] = {uint8_t(random()), uint8_t(random()), uint8_t(random())};
        fillRectRgb(screenOf(sdl), x, y, w, h, rgb);
        fillSoftware(software, x, y, w, h, mapRgb565(rgb));
        if (i % 500 == 0)
            expectSameScreen(sdl, software, "fill " + std::to_string(i));
    }
    expectSameScreen(sdl, software, "the fills");
    SDL_FreeSurface(sdl);
}

// Texts as TTF_RenderText_Blended makes them (size and every coverage), and
// blitted anywhere on and off the screen: the game's own texts, every pair of
// characters (where kerning shows), and random ones.
TEST(SoftwareScreen, RendersAndBlitsTextsAsSdlTtf)
{
    ASSERT_EQ(TTF_Init(), 0);
    SDL_Surface* sdl = makeTestSurface();
    SoftwareScreen software;
    std::mt19937 random(11);
    for (const GlyphFont* font : {&GLYPHS_16, &GLYPHS_66}) {
        std::string characters;
        for (int c = 1; c < 128; ++c)
            if (font->index[c] >= 0)
                characters += static_cast<char>(c);
        // The game's texts in this size, and the title word's characters at 66 points.
        std::vector<std::string> texts;
        for (const std::string& text : std::initializer_list<std::string>{
                 "vlim", "top:  2147483647", "top:  -2147483648", "      0.00s", "last: 17",
                 "(press start to begin, select to exit)", std::string(127, '8')})
            if (text.find_first_not_of(characters) == std::string::npos)
                texts.push_back(text);
        EXPECT_EQ(texts.size(), font == &GLYPHS_16 ? 7u : 1u);
        for (char a : characters)
            for (char b : characters)
                texts.push_back({a, b});
        for (int i = 0; i < 300; ++i) {
            std::string text(1 + random() % 40, ' ');
            for (char& c : text)
                c = characters[random() % characters.size()];
            texts.push_back(text);
        }

        TTF_Font* ttf = TTF_OpenFont(VLIM_TEST_FONT, font->points);
        ASSERT_NE(ttf, nullptr);
        const SDL_Color colour = {TEXT_COLOUR[0], TEXT_COLOUR[1], TEXT_COLOUR[2], 0};
        // SDL_ttf refuses an empty text; the software screen also any
        // character the game never shows, which it has no glyph of.
        EXPECT_EQ(TTF_RenderText_Blended(ttf, "", colour), nullptr);
        for (const char* refused : {"", "A", "5\xe9"})
            EXPECT_EQ(renderSoftwareText(*font, refused, TEXT_COLOUR), nullptr) << refused;
        for (size_t t = 0; t < texts.size(); ++t) {
            const std::string& text = texts[t];
            SDL_Surface* rendered = TTF_RenderText_Blended(ttf, text.c_str(), colour);
            SoftwareText* image = renderSoftwareText(*font, text.c_str(), TEXT_COLOUR);
            ASSERT_NE(rendered, nullptr);
            ASSERT_NE(image, nullptr) << text;
            ASSERT_EQ(image->width, rendered->w) << font->points << " points: '" << text << "'";
            ASSERT_EQ(image->height, rendered->h) << font->points << " points: '" << text << "'";
            int wrong = 0;
            for (int y = 0; y < rendered->h; ++y)
                for (int x = 0; x < rendered->w; ++x) {
                    const Uint32 p = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(rendered->pixels) + y * rendered->pitch)[x];
                    wrong += image->alpha[y * image->width + x] != p >> 27;
                }
            EXPECT_EQ(wrong, 0) << font->points << " points: '" << text << "'";

            // On a screen of random pixels, somewhere that may cut it off.
            for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i)
                static_cast<Uint16*>(sdl->pixels)[i] = software.pixels[i] = static_cast<uint16_t>(random());
            const int x = static_cast<int>(random() % 420) - 50 - (t % 7 == 0 ? 65536 : 0);
            const int y = static_cast<int>(random() % 300) - 30;
            SDL_Rect where = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
            SDL_BlitSurface(rendered, nullptr, sdl, &where);
            blendSoftwareText(software, *image, x, y);
            expectSameScreen(sdl, software, std::to_string(font->points) + " points: '" + text + "' at " + std::to_string(x));
            SDL_FreeSurface(rendered);
            delete image;
        }
        TTF_CloseFont(ttf);
    }
    SDL_FreeSurface(sdl);
    TTF_Quit();
}
