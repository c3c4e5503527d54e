// The tests' scripted machine: the game's own frame loop (runFrames) on SDL's
// dummy video driver, drawn and read through the SDL platform's screen and
// input, with its services played from a script. The variables and the
// script's format are the preloaded script player's (tests/game/
// game_script.c) and mean the same here: VLIM_SCRIPT, VLIM_VIRTUAL_TIME=1,
// VLIM_RANDOM_SEED and VLIM_RANDOM_FRAMES (soak_input.c).
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  // RTLD_NEXT
#endif
#include <SDL.h>
#include <SDL_ttf.h>
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/Frame.h"
#include "app/HighScore.h"
#include "app/Screens.h"
#include "platform/sdl/SdlInput.h"
#include "platform/sdl/SdlScreen.h"
#include "world/Screen.h"

extern "C" {
#include "tests/game/shim.h"

unsigned long framesFlipped;

void* realFunction(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "vlim_scripted: no %s\n", name);
        _exit(SHIM_STATUS_BAD_SCRIPT);
    }
    return f;
}
}

namespace {

bool virtualTime = false;
bool randomInput = false;
uint32_t virtualTicks = 1;  // never 0, which the game takes as "not timed yet"
uint32_t tickStep = 0;      // the script's clock steps, modulo 2^32 as the ticks wrap
// Held for the whole run, as the shipped game holds its own: the
// compatibility layer's SDL_Quit leaves a block of it behind, which valgrind
// would call lost were the last pointer to it gone.
SDL_Surface* screenSurface = nullptr;


// The soak presses the buttons of the game's own table.
void useGameButtons()
{
    const ButtonTable& joystick = buildJoystickTable();
    int steering[16], steeringCount = 0, split = -1, start = -1, select = -1;
    for (int i = 0; i < joystick.count; ++i) {
        const ButtonBinding& b = joystick.bindings[i];
        if ((b.button == GameButton::Up || b.button == GameButton::Down) && steeringCount < 16)
            steering[steeringCount++] = b.code;
        int& first = b.button == GameButton::Split ? split : b.button == GameButton::Start ? start : select;
        if (b.button != GameButton::Up && b.button != GameButton::Down && first < 0)
            first = b.code;
    }
    soakUseButtons(steering, steeringCount, split, start, select, joystick.stickAxis);
}

}  // namespace

extern "C" void stepClock(long ms)
{
    tickStep += static_cast<uint32_t>(ms);
}

// Due events go in at each of the game's polls, so that a soak's flood larger
// than SDL's queue goes in as the game drains it, within one frame.
extern "C" int __real_SDL_PollEvent(SDL_Event* event);
extern "C" int __wrap_SDL_PollEvent(SDL_Event* event)
{
    if (randomInput)
        soakPushEvents();
    else
        scriptPushEvents();
    return __real_SDL_PollEvent(event);
}

uint32_t readTicks()
{
    return (virtualTime ? virtualTicks : SDL_GetTicks()) + tickStep;
}

void waitTicks(uint32_t ms)
{
    if (!virtualTime)
        SDL_Delay(ms);
}

void presentScreen(Screen* screen)
{
    ++framesFlipped;
    const bool pause = !randomInput && scriptFrameDone(surfaceOf(screen));
    checkKeptTexts();
    virtualTicks += randomInput ? soakFrameDone() : static_cast<uint32_t>(VIRTUAL_FRAME_MS);
    if (pause)
        raise(SIGSTOP);
}

clock_t readProcessorClock()
{
    return virtualTime ? static_cast<clock_t>(VIRTUAL_CPU_MICROS_PER_FRAME * static_cast<long>(framesFlipped))
                       : clock();
}

bool recordChangedElsewhere()
{
    return false;
}

void commitRecordFolder()
{
    sync();
}

int main()
{
    const char* timeMode = getenv("VLIM_VIRTUAL_TIME");
    virtualTime = timeMode && !strcmp(timeMode, "1");
    const char* seed = getenv("VLIM_RANDOM_SEED");
    const char* script = getenv("VLIM_SCRIPT");
    if (seed && *seed) {
        const char* frames = getenv("VLIM_RANDOM_FRAMES");
        randomInput = virtualTime = true;  // a 10 s stall must not take 10 s
        useGameButtons();
        soakStart(strtoull(seed, nullptr, 0), frames && *frames ? strtoul(frames, nullptr, 0) : 100000);
    } else if (script && *script) {
        scriptRead(script);
    }

    // The dummy driver only for its event queue and a surface to draw on.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "vlim_scripted: SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    ignoreUnreadEvents(buildJoystickTable());
    DisplayState display;
    readHighScoreFile(display.bestScore, display.bestTime);
    screenSurface = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0);
    if (!screenSurface || TTF_Init() == -1) {
        fprintf(stderr, "vlim_scripted: no screen or no SDL_ttf: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }
    display.smallFont = openFont(16);
    display.titleFont = openFont(66);
    runFrames(display, screenOf(screenSurface));
    SDL_Quit();
    return 0;
}
