#include "tests/support/FrameScene.h"

#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>

#include "app/Frame.h"
#include "bands/BandGroup.h"
#include "world/GameWorld.h"
#include "world/Screen.h"

// Frames enough for 100 columns at 6 a frame, so every trail is full.
const int FRAMES_TO_FILL_TRAILS = 20;

bool openFrameScene(FrameScene& scene, const char* fontPath)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || TTF_Init() == -1) {
        fprintf(stderr, "cannot start SDL: %s\n", SDL_GetError());
        return false;
    }
    scene.display.smallFont = fontOf(TTF_OpenFont(fontPath, 16));
    scene.display.titleFont = fontOf(TTF_OpenFont(fontPath, 66));
    scene.screen = SDL_CreateRGBSurface(SDL_SWSURFACE, SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0xF800, 0x07E0, 0x001F, 0);
    if (!scene.display.smallFont || !scene.display.titleFont || !scene.screen) {
        fprintf(stderr, "cannot open %s or make the surface: %s\n", fontPath, SDL_GetError());
        return false;
    }
    return true;
}

void closeFrameScene(FrameScene& scene)
{
    DisplayState& d = scene.display;
    SDL_FreeSurface(surfaceOf(d.scoreText));
    SDL_FreeSurface(surfaceOf(d.timeText));
    SDL_FreeSurface(scene.screen);
    if (d.smallFont)
        TTF_CloseFont(fontOf(d.smallFont));
    if (d.titleFont)
        TTF_CloseFont(fontOf(d.titleFont));
    d = DisplayState();
    scene.screen = nullptr;
    TTF_Quit();
    SDL_Quit();
}

void runGameFrame(FrameScene& scene, float dt)
{
    clearScreen(screenOf(scene.screen));
    playFrame(scene.display, screenOf(scene.screen), dt);
}

namespace {

// The cave from its first column and the group with no band, no input held
// and a zeroed run clock.
void freshWorld()
{
    gameWorld.cave->init();
    columnsThisFrame = 0;
    emptyGroup(*gameWorld.bands);
}

void runFrames(FrameScene& scene, int count)
{
    for (int i = 0; i < count; ++i)
        runGameFrame(scene);
}

}  // namespace

void enterTitleScreen(FrameScene& scene)
{
    freshWorld();
    runFrames(scene, FRAMES_TO_FILL_TRAILS);
}

void enterOneBandRun(FrameScene& scene)
{
    freshWorld();
    gameWorld.bands->reset();  // what Start does
    runFrames(scene, FRAMES_TO_FILL_TRAILS);
}

void enterSplitRun(FrameScene& scene)
{
    enterOneBandRun(scene);
    gameWorld.bands->splitHeld = 1;
    runFrames(scene, FRAMES_TO_FILL_TRAILS);
}
