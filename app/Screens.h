// The texts drawn over the playfield: the in-run display (score and longest
// split) while a band is alive, the title screen between runs.
#pragma once

#include <cstdint>

#include "app/HighScore.h"
#include "platform/Platform.h"

const uint8_t TEXT_COLOUR[3] = {60, 60, 120};

// What the frame loop holds for the texts for the whole run. Text images are
// owned here; nothing is released at exit.
struct DisplayState {
    Font* smallFont = nullptr;       // 16 points; null when it failed to open
    Font* titleFont = nullptr;       // 66 points; null when it failed to open
    int32_t bestScore = 0;           // the record, as read and raised
    double bestTime = 0.0;           // seconds
    // Where the record is kept; null where there is nowhere to keep it
    // (raised, shown, never saved).
    const char* recordPath = HIGH_SCORE_FILE;
    int32_t shownScore = -1;         // the score that scoreText shows
    double shownTime = -1.0;         // the time that timeText shows, seconds
    TextImage* scoreText = nullptr;
    TextImage* timeText = nullptr;
    char textBuffer[128] = {};       // every number text is formatted here
};

// Renders text in font and draws it with its top-left corner at (x, y), then
// frees it. A missing font or a failed render draws nothing.
void drawTextLine(Screen* screen, Font* font, const char* text, int x, int y);

// The run's score at (10, 5) and longest split at (10, 210); each text is
// rendered only when its value changes and drawn from the cache otherwise.
void drawHud(DisplayState& display, Screen* screen);

// Takes in a better record kept elsewhere meanwhile (recordChangedElsewhere),
// raises and saves the record with the last run's figures, then draws the title word, the record,
// the last run and the prompt. Drops the cached score text so the next run
// renders its score anew.
void drawTitleScreen(DisplayState& display, Screen* screen);
