// vlim on SDL 1.2: start-up, the game's frame loop, and the hand-over to the
// handheld's menu at exit.
#include <SDL.h>
#include <SDL_ttf.h>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/Frame.h"
#include "app/HighScore.h"
#include "app/Screens.h"
#include "platform/sdl/Icon.h"
#include "platform/sdl/SdlInput.h"
#include "platform/sdl/SdlScreen.h"
#include "world/GameWorld.h"
#include "world/Screen.h"

namespace {

SDL_Surface* screenSurface = nullptr;  // 320x240, 16 bits per pixel
SDL_Joystick* joystick0 = nullptr;     // held open so its buttons arrive as events

const char* const MENU_DIRECTORY = "/usr/gp2x";
const char* const MENU_PROGRAM = "/usr/gp2x/gp2xmenu";

// Set on the game's own ways out. Any other exit comes from inside a library,
// e.g. Xlib ending the process when the display is lost: shutting SDL down
// from there would re-enter it on a dead connection (SDL 2 under the
// compatibility layer then spins forever), so only the hand-over follows.
bool leavingOnPurpose = false;

// What SIGPIPE and SIGXFSZ did when the game started; the game ignores both.
void (*inheritedPipeAction)(int) = SIG_DFL;
void (*inheritedFileSizeAction)(int) = SIG_DFL;

void leave(int status)
{
    leavingOnPurpose = true;
    exit(status);
}

// Runs at exit, before the game world is destroyed: shuts SDL down and
// replaces the process with the handheld's menu. Where there is no menu (any
// desktop) execl fails and the process ends with its own status.
void exitToMenu()
{
    if (leavingOnPurpose)
        SDL_Quit();
    if (chdir(MENU_DIRECTORY) != 0) {
        // Ignored: the menu is started from wherever we are.
    }
    fflush(nullptr);  // whatever was printed must not vanish with the process image
    // The menu gets the signals as the game got them.
    signal(SIGPIPE, inheritedPipeAction);
    signal(SIGXFSZ, inheritedFileSizeAction);
    execl(MENU_PROGRAM, MENU_PROGRAM, static_cast<char*>(nullptr));
}


}  // namespace

int main(int, char**)
{
    DisplayState display;

    // A file-size limit fails a save like a full disk does, and a closed
    // output fails a message, instead of either killing the game.
    inheritedPipeAction = signal(SIGPIPE, SIG_IGN);
    inheritedFileSizeAction = signal(SIGXFSZ, SIG_IGN);

    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        fprintf(stderr, "Couldn't initialize SDL: %s\n", SDL_GetError());
        exit(1);
    }
    atexit(exitToMenu);
    SDL_ShowCursor(SDL_DISABLE);
    // Before the window opens: the classic library empties the whole queue
    // here, which later would throw away a Start pressed as the window
    // appeared.
    ignoreUnreadEvents(buildJoystickTable());

    readHighScoreFile(display.bestScore, display.bestTime);

    // The window's name and icon for the desktop, set before the window
    // opens. Both SDL 1.2 libraries copy the icon (the classic one into an X
    // pixmap, the compatibility layer into a surface of its own); a game
    // that cannot make one opens its window without.
    SDL_WM_SetCaption("vlim", "vlim");
    if (SDL_Surface* icon = makeIcon(WINDOW_ICON_SIZE)) {
        SDL_WM_SetIcon(icon, nullptr);
        SDL_FreeSurface(icon);
    }
    screenSurface = SDL_SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0);
    if (!screenSurface) {
        fprintf(stderr, "Couldn't set 320x240x16 video mode: %s\n", SDL_GetError());
        leave(2);
    }
    if (SDL_NumJoysticks() > 0) {
        joystick0 = SDL_JoystickOpen(0);
        if (!joystick0)
            fprintf(stderr, "Couldn't open joystick 0: %s\n", SDL_GetError());
    }
    if (TTF_Init() == -1) {
        printf("TTF_Init: %s\n", SDL_GetError());
        leave(2);
    }
    display.smallFont = openFont(16);
    display.titleFont = openFont(66);

    runFrames(display, screenOf(screenSurface));
    leavingOnPurpose = true;
    return 0;
}
