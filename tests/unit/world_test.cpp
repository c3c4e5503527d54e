// The game world: the input mapping from real SDL events, the order of a
// frame, drawing, and fillRectRgb.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "bands/BandGroup.h"
#include "cave/Cave.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/events.h"
#include "tests/support/TestSurface.h"
#include "world/GameWorld.h"
#include "world/Input.h"

namespace {

SDL_Event typedEvent(Uint8 type)
{
    SDL_Event event{};
    event.type = type;
    return event;
}

// What an input can change: the group's inputs, the quit flag, the bands.
struct InputState {
    int steer;
    int splitHeld;
    int quit;
    size_t bands;
    int firstState;
    bool operator==(const InputState& o) const
    {
        return steer == o.steer && splitHeld == o.splitHeld && quit == o.quit && bands == o.bands
               && firstState == o.firstState;
    }
};

std::ostream& operator<<(std::ostream& out, const InputState& s)
{
    return out << "{steer " << s.steer << ", split " << s.splitHeld << ", quit " << s.quit << ", bands "
               << s.bands << ", first state " << s.firstState << "}";
}

InputState stateOf(const GameWorld& world)
{
    const BandGroup& group = *world.bands;
    return {group.steer, group.splitHeld, world.quitRequested, group.bands.size(),
            group.bands.empty() ? -1 : static_cast<int>(group.bands[0]->state)};
}

SDL_Event focusEvent(Uint8 gain, Uint8 state)
{
    SDL_Event event = typedEvent(SDL_ACTIVEEVENT);
    event.active.gain = gain;
    event.active.state = state;
    return event;
}

// A world in the middle of things: two bands (the first dying), steering
// (joystick Down and the Down key) and split held, so that every effect of
// an event shows.
void prepare(GameWorld& world, SdlFeed& feed)
{
    addBand(*world.bands, 110.0f, 130.0f, 0.0f, Dying);
    addBand(*world.bands, 150.0f, 170.0f);
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 4, 0));
    feed(keyEvent(SDL_KEYDOWN, SDLK_DOWN, KMOD_NONE));
    world.bands->splitHeld = 1;
}

TEST(InputMappingTest, EveryRowOfTheTable)
{
    const InputState base{2, 1, 0, 2, Dying};
    const InputState started{2, 0, 0, 1, Alive};  // reset: one fresh band, split cleared
    struct Row {
        SDL_Event event;
        InputState expected;
    };
    std::vector<Row> rows = {
        {keyEvent(SDL_KEYDOWN, SDLK_c, KMOD_LCTRL), {2, 1, 1, 2, Dying}},
        {keyEvent(SDL_KEYDOWN, SDLK_c, KMOD_RCTRL), {2, 1, 1, 2, Dying}},
        {keyEvent(SDL_KEYDOWN, SDLK_c, SDLMod(KMOD_LCTRL | KMOD_LSHIFT)), {2, 1, 1, 2, Dying}},
        {keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE), {1, 1, 0, 2, Dying}},
        {keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE), started},
        {keyEvent(SDL_KEYUP, SDLK_DOWN, KMOD_NONE), {1, 1, 0, 2, Dying}},
        {keyEvent(SDL_KEYUP, SDLK_SPACE, KMOD_NONE), {2, 0, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONDOWN, 0, 0), {1, 1, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONDOWN, 1, 0), {1, 1, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONDOWN, 7, 3), {1, 1, 0, 2, Dying}},  // any joystick
        {buttonEvent(SDL_JOYBUTTONDOWN, 3, 0), {3, 1, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONDOWN, 5, 0), {3, 1, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONDOWN, 8, 0), started},
        {buttonEvent(SDL_JOYBUTTONDOWN, 9, 0), {2, 1, 1, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONUP, 4, 0), {1, 1, 0, 2, Dying}},
        {buttonEvent(SDL_JOYBUTTONUP, 13, 0), {2, 0, 0, 2, Dying}},
        // Losing the focus releases everything held; nothing else about it
        // (gaining it, the mouse's focus) changes anything.
        {focusEvent(0, SDL_APPINPUTFOCUS), {0, 0, 0, 2, Dying}},
        {focusEvent(0, SDL_APPINPUTFOCUS | SDL_APPACTIVE), {0, 0, 0, 2, Dying}},
        {focusEvent(1, SDL_APPINPUTFOCUS), base},
        {focusEvent(0, SDL_APPMOUSEFOCUS), base},
        // A held input counts once; a release takes back only a counted press.
        {keyEvent(SDL_KEYDOWN, SDLK_DOWN, KMOD_NONE), base},
        {buttonEvent(SDL_JOYBUTTONDOWN, 4, 0), base},
        {keyEvent(SDL_KEYUP, SDLK_UP, KMOD_NONE), base},
        {buttonEvent(SDL_JOYBUTTONUP, 0, 0), base},
        {buttonEvent(SDL_JOYBUTTONUP, 3, 0), base},
        {typedEvent(SDL_QUIT), {2, 1, 1, 2, Dying}},
        // Ignored: other keys and buttons, releases of Start, Select, Return
        // and Control+C, and other kinds of events.
        {keyEvent(SDL_KEYDOWN, SDLK_c, KMOD_NONE), base},
        {keyEvent(SDL_KEYDOWN, SDLK_c, KMOD_LSHIFT), base},
        {keyEvent(SDL_KEYDOWN, SDLK_LEFT, KMOD_NONE), base},
        {keyEvent(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_NONE), base},
        {keyEvent(SDL_KEYUP, SDLK_RETURN, KMOD_NONE), base},
        {keyEvent(SDL_KEYUP, SDLK_c, KMOD_LCTRL), base},
        {buttonEvent(SDL_JOYBUTTONUP, 8, 0), base},
        {buttonEvent(SDL_JOYBUTTONUP, 9, 0), base},
        {typedEvent(SDL_MOUSEBUTTONDOWN), base},
        {typedEvent(SDL_JOYAXISMOTION), base},
    };
    for (Uint8 button : {2, 6, 10, 11, 12, 14, 255}) {
        rows.push_back({buttonEvent(SDL_JOYBUTTONDOWN, button, 0), base});
        rows.push_back({buttonEvent(SDL_JOYBUTTONUP, button, 0), base});
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        GameWorld world;
        SdlFeed feed(world, "gp2x");
        prepare(world, feed);
        ASSERT_EQ(stateOf(world), base);
        feed(rows[i].event);
        EXPECT_EQ(stateOf(world), rows[i].expected) << "row " << i;
    }

    // Split presses set the flag.
    for (const SDL_Event& press : {keyEvent(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE), buttonEvent(SDL_JOYBUTTONDOWN, 13, 0)}) {
        GameWorld world;
        SdlFeed feed(world, "gp2x");
        feed(press);
        EXPECT_EQ(world.bands->splitHeld, 1);
    }
}

// The GP2X's table has no stick to steer with: its axes are neither read
// nor let into SDL's queue.
TEST(InputMappingTest, TheGp2xTableReadsNoAxis)
{
    GameWorld world;
    SdlFeed feed(world, "gp2x");
    for (Uint8 axis : {0, 1}) {
        SDL_Event event = typedEvent(SDL_JOYAXISMOTION);
        event.jaxis.axis = axis;
        event.jaxis.value = -32768;
        feed(event);
        EXPECT_EQ(world.bands->steer, 0);
        EXPECT_EQ(world.steeringHeld[0] + world.steeringHeld[1], 0);
    }
    // SDL's event states are set up with its video.
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_EQ(SDL_EventState(SDL_JOYAXISMOTION, SDL_QUERY), SDL_ENABLE);
    ignoreUnreadEvents(*findButtonTable("gp2x"));
    EXPECT_EQ(SDL_EventState(SDL_JOYAXISMOTION, SDL_QUERY), SDL_IGNORE);
    SDL_Quit();
}

TEST(InputMappingTest, SteeringIsACounterAcrossDevices)
{
    GameWorld world;
    SdlFeed feed(world, "gp2x");
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 4, 0));  // joystick Down held
    EXPECT_EQ(world.bands->steerSign(), 1);
    feed(keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE));
    EXPECT_EQ(world.bands->steer, 0);
    feed(keyEvent(SDL_KEYUP, SDLK_UP, KMOD_NONE));
    EXPECT_EQ(world.bands->steer, 1);
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 0, 0));
    feed(keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE));
    EXPECT_EQ(world.bands->steerSign(), -1);
    feed(keyEvent(SDL_KEYUP, SDLK_UP, KMOD_NONE));
    feed(buttonEvent(SDL_JOYBUTTONUP, 0, 0));
    feed(buttonEvent(SDL_JOYBUTTONUP, 4, 0));
    EXPECT_EQ(world.bands->steer, 0);

    // Start keeps the steering counter.
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 3, 0));
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 8, 0));
    EXPECT_EQ(world.bands->steer, 1);
    feed(buttonEvent(SDL_JOYBUTTONUP, 3, 0));

    // Every steering input presses and releases its own direction.
    const std::vector<std::pair<SDL_Event, int>> inputs = {
        {keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE), -1}, {keyEvent(SDL_KEYDOWN, SDLK_DOWN, KMOD_NONE), 1},
        {buttonEvent(SDL_JOYBUTTONDOWN, 0, 0), -1},       {buttonEvent(SDL_JOYBUTTONDOWN, 1, 0), -1},
        {buttonEvent(SDL_JOYBUTTONDOWN, 7, 0), -1},       {buttonEvent(SDL_JOYBUTTONDOWN, 3, 0), 1},
        {buttonEvent(SDL_JOYBUTTONDOWN, 4, 0), 1},        {buttonEvent(SDL_JOYBUTTONDOWN, 5, 0), 1},
    };
    for (const auto& [down, direction] : inputs) {
        SDL_Event up = down;
        up.type = down.type == SDL_KEYDOWN ? SDL_KEYUP : SDL_JOYBUTTONUP;
        feed(down);
        EXPECT_EQ(world.bands->steer, direction) << int(down.type) << " " << int(down.jbutton.button);
        feed(up);
        EXPECT_EQ(world.bands->steer, 0);
    }

    // Held through a loss of focus, released after it came back: the
    // release finds nothing to take back, the counter stays at rest.
    feed(keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE));
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 4, 0));
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 3, 0));
    feed(focusEvent(0, SDL_APPINPUTFOCUS));
    EXPECT_EQ(world.bands->steer, 0);
    feed(focusEvent(1, SDL_APPINPUTFOCUS));
    feed(keyEvent(SDL_KEYUP, SDLK_UP, KMOD_NONE));
    feed(buttonEvent(SDL_JOYBUTTONUP, 4, 0));
    EXPECT_EQ(world.bands->steer, 0);
    EXPECT_EQ(world.steeringHeld[0] + world.steeringHeld[1], 0);
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 4, 0));
    EXPECT_EQ(world.bands->steer, 1);  // pressed again: counted again
}

// Frames through the global world with the SDL event queue.
class WorldFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        SDL_Event drained;
        while (SDL_PollEvent(&drained)) {
        }
        emptyGroup(*gameWorld.bands);
        gameWorld.quitRequested = 0;
        openGlobalCave();
    }
    void TearDown() override
    {
        emptyGroup(*gameWorld.bands);
        gameWorld.quitRequested = 0;
        restoreGlobalCave();
    }

    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }
};

TEST_F(WorldFrameTest, AllQueuedEventsApplyBeforeTheWorldAdvances)
{
    columnsThisFrame = 0;
    push(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE));
    push(keyEvent(SDL_KEYDOWN, SDLK_UP, KMOD_NONE));
    push(keyEvent(SDL_KEYUP, SDLK_UP, KMOD_NONE));
    gameWorld.handleInputAndUpdate(FRAME_DT);
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
    ASSERT_EQ(gameWorld.bands->bands.size(), 1u);
    const Band& band = *gameWorld.bands->bands[0];
    EXPECT_EQ(gameWorld.bands->steer, 0);
    EXPECT_EQ(band.velocity, 0.0f);  // the Up tap never steered
    // The cave advanced first: the band stepped the frame's 6 columns.
    EXPECT_EQ(columnsThisFrame, 6);
    EXPECT_EQ(nonEmptySamples(band), 7);
    EXPECT_EQ(band.topEdgeAt(-1), 110.0f);
}

TEST_F(WorldFrameTest, StartInTheMiddleOfTheQueueClearsEarlierSplitPresses)
{
    gameWorld.bands->reset();
    // Through SDL's queue, by the keyboard's table, which every build reads.
    const SDL_Event split = keyEvent(SDL_KEYDOWN, SDLK_SPACE, KMOD_NONE);
    const SDL_Event start = keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE);
    push(split);
    push(start);
    gameWorld.handleInputAndUpdate(FRAME_DT);
    EXPECT_EQ(gameWorld.bands->aliveCount(), 1);

    push(start);
    push(split);
    gameWorld.handleInputAndUpdate(FRAME_DT);
    EXPECT_EQ(gameWorld.bands->aliveCount(), 2);

    push(typedEvent(SDL_QUIT));
    gameWorld.handleInputAndUpdate(FRAME_DT);
    EXPECT_EQ(gameWorld.quitRequested, 1);
}

TEST_F(WorldFrameTest, DrawPaintsTheCaveThenTheBands)
{
    setWall(99, 120, 200);  // reaches into the band's rows 110..129
    gameWorld.bands->reset();
    SDL_Surface* surface = makeTestSurface();
    ASSERT_NE(surface, nullptr);
    gameWorld.draw(screenOf(surface));
    const RgbPixel wall = storedColour(surface, WALL_COLOUR);
    const RgbPixel blue = storedColour(surface, BAND_COLOUR);
    EXPECT_EQ(pixelAt(surface, 99, 109), wall);
    EXPECT_EQ(pixelAt(surface, 99, 110), blue);  // the band over the ceiling
    EXPECT_EQ(pixelAt(surface, 99, 119), blue);
    EXPECT_EQ(pixelAt(surface, 99, 129), blue);
    EXPECT_EQ(pixelAt(surface, 99, 130), storedColour(surface, 0, 0, 0));
    EXPECT_EQ(pixelAt(surface, 99, 210), wall);
    EXPECT_EQ(countInColumn(surface, 99, blue), 20);
    EXPECT_EQ(countAll(surface, blue), 20);
    EXPECT_EQ(countInColumn(surface, 98, wall), 0);  // the open cave elsewhere
    SDL_FreeSurface(surface);
}

TEST_F(WorldFrameTest, ColoursAreMappedForEachSurfaceDrawnOn)
{
    // The fills reuse the colour mapped last only for a surface that maps
    // alike: surfaces that order red and blue differently each get the true
    // colours, whichever was drawn on before.
    setWall(99, 100, 200);
    gameWorld.bands->reset();
    SDL_Surface* rgb = makeTestSurface();
    SDL_Surface* bgr = SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 16, 0x001F, 0x07E0, 0xF800, 0);
    ASSERT_NE(rgb, nullptr);
    ASSERT_NE(bgr, nullptr);
    for (SDL_Surface* surface : {rgb, bgr, rgb}) {
        SDL_FillRect(surface, nullptr, 0);
        gameWorld.draw(screenOf(surface));
        EXPECT_EQ(pixelAt(surface, 99, 50), storedColour(surface, WALL_COLOUR));
        EXPECT_EQ(pixelAt(surface, 99, 120), storedColour(surface, BAND_COLOUR));
        EXPECT_EQ(pixelAt(surface, 99, 220), storedColour(surface, WALL_COLOUR));
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(bgr);
}

TEST_F(WorldFrameTest, FiguresComeFromTheBandGroup)
{
    EXPECT_FALSE(gameWorld.anyBandAlive());
    addBand(*gameWorld.bands, 110.0f, 130.0f, 0.0f, Dying);
    EXPECT_FALSE(gameWorld.anyBandAlive());
    addBand(*gameWorld.bands, 140.0f, 150.0f);
    EXPECT_TRUE(gameWorld.anyBandAlive());
    gameWorld.bands->runClock->score = 77;
    gameWorld.bands->runClock->longestSplitSeconds = 2.25;
    EXPECT_EQ(gameWorld.score(), 77);
    EXPECT_EQ(gameWorld.longestSplitSeconds(), 2.25);
}

TEST(FillRectTest, ClipsAndDrawsNothingForEmptyRectangles)
{
    SDL_Surface* surface = makeTestSurface();
    ASSERT_NE(surface, nullptr);
    const uint8_t red[3] = {255, 0, 0};
    const RgbPixel stored = storedColour(surface, 255, 0, 0);
    fillRectRgb(screenOf(surface), 10, 10, 5, 0, red);
    fillRectRgb(screenOf(surface), 10, 10, 0, 5, red);
    EXPECT_EQ(countAll(surface, stored), 0);
    fillRectRgb(screenOf(surface), -5, 10, 10, 3, red);  // columns 0..4 remain
    EXPECT_EQ(countAll(surface, stored), 15);
    EXPECT_EQ(pixelAt(surface, 4, 12), stored);
    EXPECT_FALSE(pixelAt(surface, 5, 12) == stored);
    fillRectRgb(screenOf(surface), 315, 238, 10, 10, red);  // clipped at the far corner
    EXPECT_EQ(countAll(surface, stored), 15 + 10);
    SDL_FreeSurface(surface);
}

TEST(FillRectTest, ReusesTheColourMappedLastOnlyWhileItMapsAlike)
{
    // New bytes behind the same pointer are mapped afresh.
    uint8_t colour[3] = {255, 0, 0};
    SDL_Surface* surface = makeTestSurface(2, 1);
    ASSERT_NE(surface, nullptr);
    fillRectRgb(screenOf(surface), 0, 0, 1, 1, colour);
    colour[0] = 0;
    colour[2] = 255;
    fillRectRgb(screenOf(surface), 1, 0, 1, 1, colour);
    EXPECT_EQ(pixelAt(surface, 0, 0), storedColour(surface, 255, 0, 0));
    EXPECT_EQ(pixelAt(surface, 1, 0), storedColour(surface, 0, 0, 255));
    SDL_FreeSurface(surface);

    // Red and blue swapped, its format most likely made where the freed one was.
    SDL_Surface* bgr = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0x001F, 0x07E0, 0xF800, 0);
    ASSERT_NE(bgr, nullptr);
    fillRectRgb(screenOf(bgr), 0, 0, 1, 1, colour);
    EXPECT_EQ(pixelAt(bgr, 0, 0), storedColour(bgr, 0, 0, 255));
    SDL_FreeSurface(bgr);

    // Paletted surfaces, whose palettes change between fills of one colour;
    // the second has the masks, and so the shifts and losses, of the 16-bit
    // surface drawn on just before it.
    SDL_Surface* packed = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0xE0, 0x1C, 0x03, 0);
    ASSERT_NE(packed, nullptr);
    for (Uint32 masks : {0u, 1u}) {
        SDL_Surface* paletted =
            SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, masks * 0xE0, masks * 0x1C, masks * 0x03, 0);
        ASSERT_NE(paletted, nullptr);
        const Uint8* indices = static_cast<const Uint8*>(paletted->pixels);
        fillRectRgb(screenOf(packed), 0, 0, 1, 1, colour);
        for (int x = 0; x < 2; ++x) {
            SDL_Color blueAt[4] = {{255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}};
            blueAt[x] = {0, 0, 255, 0};
            SDL_SetColors(paletted, blueAt, 0, 4);
            fillRectRgb(screenOf(paletted), x, 0, 1, 1, colour);
            // Through the compatibility layer a masked 8-bit surface is packed,
            // without a palette; either way the fill must be what SDL maps.
            EXPECT_EQ(indices[x], SDL_MapRGB(paletted->format, 0, 0, 255)) << "masks " << masks << ", x " << x;
        }
        SDL_FreeSurface(paletted);
    }
    SDL_FreeSurface(packed);
}

}  // namespace
