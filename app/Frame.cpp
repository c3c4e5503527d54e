// The work of one timed frame.
#include "app/Frame.h"

#include <SDL.h>

#include "app/Screens.h"
#include "world/GameWorld.h"

void clearScreen(SDL_Surface* screen)
{
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
}

void playFrame(DisplayState& display, SDL_Surface* screen, float dt)
{
    gameWorld.handleInputAndUpdate(dt);
    gameWorld.draw(screen);
    // Chosen after the update, so the switch happens in the frame in which
    // the last band dies or a run starts.
    if (gameWorld.anyBandAlive())
        drawHud(display, screen);
    else
        drawTitleScreen(display, screen);
}
