// The in-run display's caching and the title screen's lines. Text renders and
// blits are observed by wrapping the SDL calls at link time.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Screens.h"
#include "bands/BandGroup.h"
#include "tests/support/Files.h"
#include "tests/support/FrameScene.h"
#include "tests/support/TestSurface.h"
#include "world/GameWorld.h"

struct RenderCall {
    Font* font;
    std::string text;
};
struct BlitCall {
    int x, y;
};
namespace {
std::vector<RenderCall> renders;
std::vector<BlitCall> blits;
bool failRenders = false;
}  // namespace

extern "C" {
SDL_Surface* __real_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg);
int __real_SDL_UpperBlit(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect);

SDL_Surface* __wrap_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg)
{
    renders.push_back({fontOf(font), text});
    EXPECT_EQ(fg.r, TEXT_COLOUR[0]);
    EXPECT_EQ(fg.g, TEXT_COLOUR[1]);
    EXPECT_EQ(fg.b, TEXT_COLOUR[2]);
    return failRenders ? nullptr : __real_TTF_RenderText_Blended(font, text, fg);
}

int __wrap_SDL_UpperBlit(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect)
{
    blits.push_back({dstrect->x, dstrect->y});
    return __real_SDL_UpperBlit(src, srcrect, dst, dstrect);
}
}

class Screens : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The title screen saves the record in the working directory.
        scratch.emplace("screens");
        scratch->enter();
        ASSERT_TRUE(openFrameScene(scene, VLIM_TEST_FONT));
        gameWorld.bands->runClock->reset();
        renders.clear();
        blits.clear();
        failRenders = false;
    }

    void TearDown() override
    {
        // The game keeps its cached texts for the whole run; a test does not.
        closeFrameScene(scene);
        scratch.reset();
    }

    FrameScene scene;
    DisplayState& display = scene.display;
    Screen* screen() { return screenOf(scene.screen); }
    std::optional<ScratchDir> scratch;
};

TEST_F(Screens, HudRendersEachTextOnlyWhenItsValueChanges)
{
    RunClock& clock = *gameWorld.bands->runClock;
    drawHud(display, screen());  // the start values -1 and -1.0 force both renders
    ASSERT_EQ(renders.size(), 2u);
    EXPECT_EQ(renders[0].text, "0");
    EXPECT_EQ(renders[1].text, "0.00s");
    EXPECT_EQ(renders[0].font, display.smallFont);
    ASSERT_EQ(blits.size(), 2u);
    EXPECT_EQ(blits[0].x, 10);
    EXPECT_EQ(blits[0].y, 5);
    EXPECT_EQ(blits[1].x, 10);
    EXPECT_EQ(blits[1].y, 210);

    for (int frame = 0; frame < 5; ++frame)
        drawHud(display, screen());
    EXPECT_EQ(renders.size(), 2u);  // unchanged values: blitted from the cache
    EXPECT_EQ(blits.size(), 12u);

    clock.score = 1234;
    drawHud(display, screen());
    ASSERT_EQ(renders.size(), 3u);
    EXPECT_EQ(renders[2].text, "1234");

    // Compared exactly: a change the two decimals hide still re-renders.
    clock.longestSplitSeconds = 1e-9;
    drawHud(display, screen());
    ASSERT_EQ(renders.size(), 4u);
    EXPECT_EQ(renders[3].text, "0.00s");
    drawHud(display, screen());
    EXPECT_EQ(renders.size(), 4u);
}

TEST_F(Screens, FailedRenderDrawsNothingAndIsRetried)
{
    failRenders = true;
    drawHud(display, screen());
    EXPECT_EQ(renders.size(), 2u);
    EXPECT_TRUE(blits.empty());
    EXPECT_EQ(display.scoreText, nullptr);

    // Same values, but the empty cache makes the next frame try again.
    failRenders = false;
    drawHud(display, screen());
    EXPECT_EQ(renders.size(), 4u);
    EXPECT_EQ(blits.size(), 2u);
}

TEST_F(Screens, TitleScreenDrawsItsSixLinesInOrder)
{
    display.bestScore = 4321;
    display.bestTime = 3.14159;
    RunClock& clock = *gameWorld.bands->runClock;
    clock.score = 17;
    clock.longestSplitSeconds = 0.5;

    drawTitleScreen(display, screen());

    struct Line {
        Font* font;
        const char* text;
        int x, y;
    };
    const Line expected[] = {
        {display.titleFont, "vlim", 30, 0},
        {display.smallFont, "top:  4321", 80, 90},
        {display.smallFont, "      3.14s", 80, 110},
        {display.smallFont, "last: 17", 80, 140},
        {display.smallFont, "      0.50s", 80, 158},
        {display.smallFont, "(press start to begin, select to exit)", 5, 200},
    };
    ASSERT_EQ(renders.size(), 6u);
    ASSERT_EQ(blits.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(renders[i].font, expected[i].font) << i;
        EXPECT_EQ(renders[i].text, expected[i].text) << i;
        EXPECT_EQ(blits[i].x, expected[i].x) << i;
        EXPECT_EQ(blits[i].y, expected[i].y) << i;
    }

    // The texts really reach the surface: something is painted in the title
    // word's box and under the prompt, in the blue-grey of the texts.
    int painted = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 30; x < 200; ++x) {
            const RgbPixel p = pixelAt(scene.screen, x, y);
            painted += p.b > p.r && p.b > 0;
        }
    EXPECT_GT(painted, 200);

    // Nothing is cached: the next title frame renders all six again.
    drawTitleScreen(display, screen());
    EXPECT_EQ(renders.size(), 12u);
}

TEST_F(Screens, TitleScreenRaisesTheRecordAndDropsTheCachedScore)
{
    RunClock& clock = *gameWorld.bands->runClock;
    drawHud(display, screen());
    ASSERT_NE(display.scoreText, nullptr);
    TextImage* cachedTime = display.timeText;

    clock.score = 99;
    clock.longestSplitSeconds = 2.5;
    renders.clear();
    drawTitleScreen(display, screen());
    EXPECT_EQ(display.bestScore, 99);
    EXPECT_EQ(display.bestTime, 2.5);
    EXPECT_EQ(renders[1].text, "top:  99");
    EXPECT_EQ(display.scoreText, nullptr);
    EXPECT_EQ(display.timeText, cachedTime);  // the time text is left cached
    EXPECT_EQ(readRaw("highscore.dat"), "-1 99 2.5");

    // The next run's first frame renders its score again even though it
    // equals the shown one.
    renders.clear();
    clock.score = 0;
    display.shownScore = 0;
    drawHud(display, screen());
    ASSERT_FALSE(renders.empty());
    EXPECT_EQ(renders[0].text, "0");
}

TEST_F(Screens, MissingFontsSkipTheirTexts)
{
    Font* small = display.smallFont;
    display.smallFont = nullptr;
    drawHud(display, screen());
    drawTitleScreen(display, screen());
    ASSERT_EQ(renders.size(), 1u);  // only the title word has its font
    EXPECT_EQ(renders[0].text, "vlim");
    EXPECT_EQ(display.scoreText, nullptr);
    display.smallFont = small;

    Font* title = display.titleFont;
    display.titleFont = nullptr;
    renders.clear();
    drawTitleScreen(display, screen());
    EXPECT_EQ(renders.size(), 5u);
    display.titleFont = title;
}
