// The one game world: the cave, the band group and the quit request. The
// frame loop talks to the game only through it.
#pragma once

#include <cstdint>

struct Screen;
struct Cave;
struct BandGroup;

struct GameWorld {
    Cave* cave;             // owned; initialised with the world
    BandGroup* bands;       // owned
    uint8_t quitRequested;  // set by a quit input; the frame loop stops; never cleared
    int steeringHeld[2];    // inputs holding Up, and Down: counted in bands->steer

    GameWorld();
    ~GameWorld();
    GameWorld(const GameWorld&) = delete;
    GameWorld& operator=(const GameWorld&) = delete;

    // Back to the world construction leaves: a fresh cave, no band, nothing
    // held, no quit. For a platform that starts the game again within one
    // process (a libretro core loaded a second time).
    void renew();

    // dt in seconds. Applies every queued input event in arrival order, then
    // advances the world by dt.
    void handleInputAndUpdate(float dt);
    // The cave first: the bands read columnsThisFrame and the walls of the
    // columns just generated.
    void update(float dt);
    // The cave, then every band in array order.
    void draw(Screen* screen) const;

    bool anyBandAlive() const;
    int32_t score() const;               // the run's banked score
    double longestSplitSeconds() const;  // the run's longest banked split, seconds
};

// The program's world, constructed before main and reached by the shell and
// by the bands' wall test.
extern GameWorld gameWorld;
