// The cave: column formula, scrolling by time, wall queries and drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "cave/Cave.h"
#include "tests/support/TestSurface.h"

namespace {

// Generates columns until the newest one (screen column 319) is number n.
void generateThrough(Cave& cave, int n)
{
    while (cave.columnCounter <= n)
        cave.generateColumn();
}

TEST(CaveTest, InitFillsTheRingWithColumnsZeroTo319)
{
    Cave cave;
    cave.init();
    EXPECT_EQ(cave.columnCounter, 320);
    EXPECT_EQ(cave.accumulator, 0.0f);
    EXPECT_EQ(cave.topAt(0), 110);
    EXPECT_EQ(cave.bottomAt(0), 180);
    // cos(1.595) * 40 is about -0.97: truncated toward zero, not floored.
    EXPECT_EQ(cave.topAt(319), 70);
    EXPECT_EQ(cave.bottomAt(319), 219);

    cave.generateColumn();  // column 320 overwrites slot 0 and is the newest
    EXPECT_EQ(cave.columnCounter, 321);
    EXPECT_EQ(cave.top[0], 69);
    EXPECT_EQ(cave.bottom[0], 219);
    EXPECT_EQ(cave.topAt(319), 69);
    EXPECT_EQ(cave.bottomAt(319), 219);
}

TEST(CaveTest, ColumnFormulaKeepsItsPrecisions)
{
    // Columns where a different precision changes the wall: a float product
    // (1885, 2419) or a double division (14837, 35093) would give 30, 140,
    // 84 and 206 instead.
    Cave cave;
    cave.init();
    generateThrough(cave, 1885);
    EXPECT_EQ(cave.topAt(319), 31);
    generateThrough(cave, 2419);
    EXPECT_EQ(cave.bottomAt(319), 141);
    generateThrough(cave, 14837);
    EXPECT_EQ(cave.topAt(319), 83);
    generateThrough(cave, 35093);
    EXPECT_EQ(cave.bottomAt(319), 205);

    // The opening stays within its bounds everywhere in the ring.
    for (int x = 0; x < Cave::COLUMNS; ++x) {
        EXPECT_GE(cave.topAt(x), 30);
        EXPECT_LE(cave.topAt(x), 110);
        EXPECT_GE(cave.bottomAt(x), 140);
        EXPECT_LE(cave.bottomAt(x), 220);
    }
}

TEST(CaveTest, AdvanceGeneratesOneColumnPer2500Microseconds)
{
    Cave cave;
    cave.init();
    cave.advance(0.001f);
    EXPECT_EQ(columnsThisFrame, 0);
    cave.advance(0.001f);
    EXPECT_EQ(columnsThisFrame, 0);
    cave.advance(0.001f);
    EXPECT_EQ(columnsThisFrame, 1);
    EXPECT_EQ(cave.columnCounter, 321);
    EXPECT_NEAR(cave.accumulator, 0.0005f, 1e-6f);

    cave.init();
    cave.advance(0.015f);
    EXPECT_EQ(columnsThisFrame, 6);
    EXPECT_EQ(cave.accumulator, 0.0f);  // exactly, in single precision
    EXPECT_EQ(cave.columnCounter, 326);

    cave.init();
    cave.advance(0.014f);
    EXPECT_EQ(columnsThisFrame, 5);
    EXPECT_NEAR(cave.accumulator, 0.0015f, 1e-6f);
    cave.advance(0.016f);  // 0.0175 with the carry: 7 columns, nothing left
    EXPECT_EQ(columnsThisFrame, 7);
    EXPECT_NEAR(cave.accumulator, 0.0f, 1e-6f);

    cave.init();
    cave.advance(0.016f);
    EXPECT_EQ(columnsThisFrame, 6);
    EXPECT_NEAR(cave.accumulator, 0.001f, 1e-6f);
    cave.advance(0.0f);  // a frame without time still resets the count
    EXPECT_EQ(columnsThisFrame, 0);

    cave.init();
    cave.advance(1.0f);
    EXPECT_EQ(columnsThisFrame, 400);
    EXPECT_EQ(cave.columnCounter, 720);
}

TEST(CaveTest, EveryFrameEndsHoweverLong)
{
    // Above 65,536 s, taking a period off the float leaves it as it was: the
    // time is dropped after one column instead of counted down for ever.
    Cave cave;
    for (float dt : {65536.01f, 65600.0f, 1e30f, INFINITY}) {
        cave.init();
        cave.advance(dt);
        EXPECT_GE(columnsThisFrame, 1) << dt;
        EXPECT_EQ(cave.accumulator, 0.0f) << dt;
        cave.advance(0.015f);
        EXPECT_EQ(columnsThisFrame, 6) << dt;  // and the next frame is ordinary
    }
}

TEST(CaveTest, ColumnNumbersRunOnPastTwoToThe31)
{
    // 62 days at 400 columns a second. The ring and the walls go on as the
    // formula says, with no signed overflow (checked by the sanitizer build).
    Cave cave;
    cave.init();
    const int64_t start = INT32_MAX - 100;
    cave.columnCounter = start;
    for (int i = 0; i < Cave::COLUMNS; ++i)
        cave.generateColumn();
    EXPECT_EQ(cave.columnCounter, start + Cave::COLUMNS);
    for (int x = 0; x < Cave::COLUMNS; ++x) {
        const float f = static_cast<float>(start + x);
        EXPECT_EQ(cave.topAt(x), static_cast<int>(std::cos(static_cast<double>(f / 200.0f)) * 40.0) + 70) << x;
        EXPECT_EQ(cave.bottomAt(x), static_cast<int>(std::sin(static_cast<double>(f / 220.0f)) * 40.0) + 180) << x;
    }
    cave.advance(0.015f);
    EXPECT_EQ(columnsThisFrame, 6);
    EXPECT_GE(cave.slotAt(-1), 0);
}

TEST(CaveTest, ScreenColumnsScrollLeftAndWrapModulo320)
{
    Cave fresh;
    fresh.init();
    Cave cave;
    cave.init();
    cave.advance(0.1f);  // 40 columns
    ASSERT_EQ(columnsThisFrame, 40);
    for (int x = 0; x + 40 < Cave::COLUMNS; ++x) {
        EXPECT_EQ(cave.topAt(x), fresh.topAt(x + 40)) << x;
        EXPECT_EQ(cave.bottomAt(x), fresh.bottomAt(x + 40)) << x;
    }

    for (int x = 0; x < Cave::COLUMNS; ++x) {
        EXPECT_EQ(cave.topAt(x - 320), cave.topAt(x));
        EXPECT_EQ(cave.bottomAt(x - 320), cave.bottomAt(x));
    }
    EXPECT_EQ(cave.topAt(-1), cave.topAt(319));
    EXPECT_EQ(cave.bottomAt(-1), cave.bottomAt(319));
    // A frame of 5000 columns has bands test columns down to 100 - 5000.
    EXPECT_EQ(cave.topAt(100 - 5000), cave.topAt((100 - 5000) % 320 + 320));
    EXPECT_EQ(cave.bottomAt(100 - 5000), cave.bottomAt((100 - 5000) % 320 + 320));
    EXPECT_EQ(cave.topAt(640 + 7), cave.topAt(7));
}

TEST(CaveTest, DrawPaintsExactlyTheWalls)
{
    Cave cave;
    cave.init();
    cave.advance(0.0375f);  // 15 columns, so screen and ring slots differ
    SDL_Surface* surface = makeTestSurface();
    ASSERT_NE(surface, nullptr);
    const RgbPixel wall = storedColour(surface, WALL_COLOUR);
    const RgbPixel black = storedColour(surface, 0, 0, 0);
    cave.draw(screenOf(surface));
    int mismatches = 0;
    for (int x = 0; x < Cave::COLUMNS; ++x)
        for (int y = 0; y < SCREEN_HEIGHT; ++y) {
            const bool inWall = y < cave.topAt(x) || y >= cave.bottomAt(x);
            if (!(pixelAt(surface, x, y) == (inWall ? wall : black)) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " inWall " << inWall;
        }
    EXPECT_EQ(mismatches, 0);
    SDL_FreeSurface(surface);
}

}  // namespace
