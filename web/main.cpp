// vlim in the browser: start-up on Emscripten's SDL 1.2, then the game's
// frame loop, which Asyncify lets give the browser its turn at each wait.
// Before main the page has loaded the record's folder and made it the
// working folder (storage.js) and loaded the font (page.js).
//
// What the desktop's start-up does besides has no use here: no joystick is
// opened (the page reads the pads itself and sends the keyboard's keys,
// controls.js: Emscripten's joystick would deliver the browser's button
// numbers, and only for a pad connected at the start); no events are kept
// out of the queue (the browser's holds 10,000 and the loop empties it
// every 15 ms); no signals, caption, icon or cursor (the page has its own);
// and no menu to hand over to: main's return ends the runtime
// (EXIT_RUNTIME), and the page says the game has ended.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>

#include "app/Frame.h"
#include "app/HighScore.h"
#include "app/Screens.h"
#include "platform/sdl/SdlScreen.h"
#include "world/Screen.h"

int main(int, char**)
{
    DisplayState display;

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        return 1;
    }

    readHighScoreFile(display.bestScore, display.bestTime);

    SDL_Surface* screenSurface = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0);
    if (!screenSurface) {
        fprintf(stderr, "Couldn't set 320x240x16 video mode: %s\n", SDL_GetError());
        return 2;
    }
    if (TTF_Init() == -1) {
        printf("TTF_Init: %s\n", SDL_GetError());
        return 2;
    }
    // Emscripten's SDL_ttf draws with the browser's own text, in the font
    // family of the file's name, which the page's style sheet loads.
    display.smallFont = openFont(16);
    display.titleFont = openFont(66);

    runFrames(display, screenOf(screenSurface));
    return 0;
}
