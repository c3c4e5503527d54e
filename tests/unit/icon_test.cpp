// The icon at every size it is installed at: nothing but the walls, the band
// and transparency, in whole pixels, with the shapes kept apart.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "platform/sdl/Icon.h"
#include "bands/Band.h"
#include "cave/Cave.h"
#include "tests/support/TestSurface.h"

namespace {

// Column x of the icon, top to bottom, as runs of 'w' (wall), 'b' (band) and
// '.' (transparent): their kinds in kinds, their lengths in lengths. Any other
// pixel, a blend or a colour that lost its alpha, fails the test.
void runsOf(SDL_Surface* icon, int x, std::string& kinds, std::vector<int>& lengths)
{
    kinds.clear();
    lengths.clear();
    for (int y = 0; y < icon->h; ++y) {
        const Uint8* p = static_cast<const Uint8*>(icon->pixels) + y * icon->pitch + 4 * x;
        char kind = '?';
        if (p[0] == 0 && p[1] == 0 && p[2] == 0 && p[3] == 0)
            kind = '.';
        else if (p[0] == WALL_COLOUR[0] && p[1] == WALL_COLOUR[1] && p[2] == WALL_COLOUR[2] && p[3] == 255)
            kind = 'w';
        else if (p[0] == BAND_COLOUR[0] && p[1] == BAND_COLOUR[1] && p[2] == BAND_COLOUR[2] && p[3] == 255)
            kind = 'b';
        ASSERT_NE(kind, '?') << "size " << icon->w << ", pixel " << x << "," << y << ": " << int(p[0]) << " "
                             << int(p[1]) << " " << int(p[2]) << " " << int(p[3]);
        if (kinds.empty() || kinds.back() != kind) {
            kinds += kind;
            lengths.push_back(0);
        }
        ++lengths.back();
    }
}

TEST(Icon, EverySizeShowsTheBandSplittingBetweenTheWalls)
{
    // The fills that come before and after the icon are the game's 16-bit
    // ones: neither may take the other's mapping of a colour.
    SDL_Surface* screen = makeTestSurface(1, 1);
    ASSERT_NE(screen, nullptr);
    fillRectRgb(screenOf(screen), 0, 0, 1, 1, WALL_COLOUR);

    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        SDL_Surface* icon = makeIcon(size);
        ASSERT_NE(icon, nullptr);
        ASSERT_EQ(icon->w, size);
        ASSERT_EQ(icon->h, size);
        ASSERT_EQ(icon->format->BytesPerPixel, 4);

        // Left to right: the whole band, then its halves apart, then open
        // cave; the walls at the top and bottom of every column, and
        // transparency between everything.
        const std::vector<std::string> order = {"w.b.w", "w.b.b.w", "w.w"};
        size_t stage = 0;
        int thickness = 0;  // the whole band's
        int headsApart = 0; // rows between the halves in their last column
        std::string kinds;
        std::vector<int> lengths;
        for (int x = 0; x < size; ++x) {
            ASSERT_NO_FATAL_FAILURE(runsOf(icon, x, kinds, lengths));
            while (stage < order.size() && kinds != order[stage])
                ++stage;
            ASSERT_LT(stage, order.size()) << "size " << size << ", column " << x << ": " << kinds;
            if (x == 0)
                thickness = lengths[2];
            if (stage == 0) {
                EXPECT_EQ(lengths[2], thickness) << "size " << size << ", column " << x;
            } else if (stage == 1) {
                EXPECT_EQ(2 * lengths[2], thickness) << "size " << size << ", column " << x;
                EXPECT_EQ(2 * lengths[4], thickness) << "size " << size << ", column " << x;
                headsApart = lengths[3];
            }
        }
        EXPECT_EQ(stage, 2u) << "size " << size << ": the band does not split and end short of the edge";
        EXPECT_GE(headsApart, thickness / 2) << "size " << size << ": the halves end too close to read as two";
        SDL_FreeSurface(icon);
    }

    fillRectRgb(screenOf(screen), 0, 0, 1, 1, BAND_COLOUR);
    EXPECT_EQ(pixelAt(screen, 0, 0), storedColour(screen, BAND_COLOUR));
    fillRectRgb(screenOf(screen), 0, 0, 1, 1, WALL_COLOUR);
    EXPECT_EQ(pixelAt(screen, 0, 0), storedColour(screen, WALL_COLOUR));
    SDL_FreeSurface(screen);
}

}  // namespace
