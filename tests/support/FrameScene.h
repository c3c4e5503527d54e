// The game's frames on an off-screen surface, as the main loop runs them
// (without the wait and the flip), and the world states that the frame
// benchmark and the allocation test run them in; the screens test opens its
// fonts and surface here too.
#pragma once

#include <SDL.h>

#include "app/Screens.h"
#include "platform/sdl/SdlScreen.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/WorldState.h"

struct FrameScene {
    SDL_Surface* screen = nullptr;  // 320x240, 16-bit RGB565 like the display
    DisplayState display;           // fonts, record and the in-run text cache
};

// Starts SDL video (the dummy driver unless SDL_VIDEODRIVER names another: no
// window is needed, only the event queue) and the font engine, opens both
// fonts from fontPath and makes the surface. On failure prints why and
// returns false.
bool openFrameScene(FrameScene& scene, const char* fontPath);
// Frees what openFrameScene made and the cached texts, and shuts SDL down.
void closeFrameScene(FrameScene& scene);

// One iteration of the main loop after the first: the clear, then the game's
// own frame (playFrame).
void runGameFrame(FrameScene& scene, float dt = FRAME_DT);

// The world states, each from a fresh cave (column 0 at the left edge) so
// that every run of a benchmark meets the same walls. Each runs frames until
// the trails are full and leaves the in-run text cache warm.
// No band: the title screen, as before the first run.
void enterTitleScreen(FrameScene& scene);
// One band flying level through the cave.
void enterOneBandRun(FrameScene& scene);
// Split held: two halves pushed apart, both trails full.
void enterSplitRun(FrameScene& scene);
