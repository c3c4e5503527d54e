// The standard pad's table (platform/sdl/ButtonTables.cpp) through the input mapping:
// SDL 2's game controller numbers, the d-pad and the left stick steering.
// world_test covers the GP2X's table the same way.
#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "bands/BandGroup.h"
#include "tests/support/events.h"
#include "world/GameWorld.h"
#include "world/Input.h"

namespace {

SDL_Event axisEvent(Uint8 axis, Sint16 value)
{
    SDL_Event event{};
    event.type = event.jaxis.type = SDL_JOYAXISMOTION;
    event.jaxis.axis = axis;
    event.jaxis.value = value;
    return event;
}

SDL_Event lostFocus()
{
    SDL_Event event{};
    event.type = SDL_ACTIVEEVENT;
    event.active.gain = 0;
    event.active.state = SDL_APPINPUTFOCUS;
    return event;
}

TEST(PadButtonsTest, EachButtonDoesItsPartAndNoOtherDoesAnything)
{
    // Steering, split and quit, on a world that is not started yet.
    struct Row {
        Uint8 button;
        int steer, splitHeld, quit;
    };
    const std::vector<Row> rows = {
        {11, -1, 0, 0},  // d-pad up
        {12, 1, 0, 0},   // d-pad down
        {0, 0, 1, 0},    // South (A, Cross)
        {1, 0, 1, 0},    // East (B, Circle)
        {4, 0, 0, 1},    // Back, Select, Share
    };
    for (const Row& row : rows) {
        GameWorld world;
        SdlFeed feed(world, "pad");
        feed(buttonEvent(SDL_JOYBUTTONDOWN, row.button, 0));
        EXPECT_EQ(world.bands->steer, row.steer) << int(row.button);
        EXPECT_EQ(world.bands->splitHeld, row.splitHeld) << int(row.button);
        EXPECT_EQ(world.quitRequested, row.quit) << int(row.button);
        feed(buttonEvent(SDL_JOYBUTTONUP, row.button, 0));
        EXPECT_EQ(world.bands->steer, 0) << int(row.button);
        EXPECT_EQ(world.bands->splitHeld, 0) << int(row.button);
    }

    // Start starts a run: a fresh band.
    GameWorld started;
    SdlFeed feedStarted(started, "pad");
    feedStarted(buttonEvent(SDL_JOYBUTTONDOWN, 6, 0));
    ASSERT_EQ(started.bands->bands.size(), 1u);
    EXPECT_EQ(started.bands->bands[0]->state, Alive);

    // West, North, the guide button, the sticks' clicks, the shoulders, the
    // d-pad's left and right, and the GP2X's numbers that are not the pad's.
    for (int button : {2, 3, 5, 7, 8, 9, 10, 13, 14, 15, 20, 255}) {
        GameWorld world;
        SdlFeed feed(world, "pad");
        feed(buttonEvent(SDL_JOYBUTTONDOWN, static_cast<Uint8>(button), 0));
        EXPECT_EQ(world.bands->steer, 0) << button;
        EXPECT_EQ(world.bands->splitHeld, 0) << button;
        EXPECT_EQ(world.quitRequested, 0) << button;
        EXPECT_TRUE(world.bands->bands.empty()) << button;
        EXPECT_EQ(world.steeringHeld[0] + world.steeringHeld[1], 0) << button;
    }
}

TEST(PadButtonsTest, TheLeftStickSteersPastHalfWay)
{
    GameWorld world;
    SdlFeed feed(world, "pad");
    const struct {
        Uint8 axis;
        Sint16 value;
        int steer;
    } moves[] = {
        {1, -16384, 0},  // half-way is not past it
        {1, -16385, -1}, {1, -32768, -1}, {1, -20000, -1},
        {1, 20000, 1},   // straight through to down
        {1, 16385, 1},   {1, 16384, 0}, {1, 0, 0},
        {0, -32768, 0},  {0, 32767, 0},  // across steers nothing
        {3, -32768, 0},  {4, 32767, 0},  // nor the other stick, nor a trigger
        {1, 32767, 1},
    };
    for (const auto& move : moves) {
        feed(axisEvent(move.axis, move.value));
        EXPECT_EQ(world.bands->steer, move.steer) << int(move.axis) << " " << move.value;
    }

    // The stick and the d-pad count apart, and losing the focus lets go of
    // both.
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 12, 0));
    EXPECT_EQ(world.bands->steer, 2);
    feed(buttonEvent(SDL_JOYBUTTONDOWN, 11, 0));
    EXPECT_EQ(world.bands->steer, 1);
    feed(lostFocus());
    EXPECT_EQ(world.bands->steer, 0);
    EXPECT_EQ(world.steeringHeld[0] + world.steeringHeld[1], 0);
    feed(axisEvent(1, 0));
    feed(buttonEvent(SDL_JOYBUTTONUP, 12, 0));
    EXPECT_EQ(world.bands->steer, 0);

    // So the stick's motion must reach the game. (SDL's event states are
    // set up with its video.)
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ignoreUnreadEvents(*findButtonTable("pad"));
    EXPECT_EQ(SDL_EventState(SDL_JOYAXISMOTION, SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(SDL_EventState(SDL_JOYHATMOTION, SDL_QUERY), SDL_IGNORE);
    SDL_Quit();
}

}  // namespace
