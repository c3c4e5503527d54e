// The texts drawn over the playfield: the in-run display (score and longest
// split) while a band is alive, the title screen between runs.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>

const SDL_Color TEXT_COLOUR = {60, 60, 120, 0};

// What the frame loop holds for the texts for the whole run. Surfaces are
// owned here; nothing is released at exit.
struct DisplayState {
    TTF_Font* smallFont = nullptr;   // 16 points; null when it failed to open
    TTF_Font* titleFont = nullptr;   // 66 points; null when it failed to open
    int32_t bestScore = 0;           // the record, as read and raised
    double bestTime = 0.0;           // seconds
    int32_t shownScore = -1;         // the score that scoreText shows
    double shownTime = -1.0;         // the time that timeText shows, seconds
    SDL_Surface* scoreText = nullptr;
    SDL_Surface* timeText = nullptr;
    char textBuffer[128] = {};       // every number text is formatted here
};

// Renders text in font and blits it with its top-left corner at (x, y), then
// frees it. A missing font or a failed render draws nothing.
void drawTextLine(SDL_Surface* screen, TTF_Font* font, const char* text, int x, int y);

// The run's score at (10, 5) and longest split at (10, 210); each text is
// rendered only when its value changes and blitted from the cache otherwise.
void drawHud(DisplayState& display, SDL_Surface* screen);

// Raises and saves the record first, then draws the title word, the record,
// the last run and the prompt. Drops the cached score text so the next run
// renders its score anew.
void drawTitleScreen(DisplayState& display, SDL_Surface* screen);
