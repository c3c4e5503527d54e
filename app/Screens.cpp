// The in-run display and the title screen.
#include "app/Screens.h"

#include <cstdio>

#include "app/HighScore.h"
#include "world/GameWorld.h"

namespace {

// Draws the cached text, re-rendering it first when it is missing or stale.
void drawCached(Screen* screen, Font* font, TextImage*& cached, bool stale, const char* text, int x, int y)
{
    if (stale || !cached) {
        if (cached)
            freeTextImage(cached);
        cached = renderText(font, text, TEXT_COLOUR);
    }
    if (cached)
        drawTextImage(screen, cached, x, y);
}

}  // namespace

void drawTextLine(Screen* screen, Font* font, const char* text, int x, int y)
{
    TextImage* rendered = renderText(font, text, TEXT_COLOUR);
    if (!rendered)
        return;
    drawTextImage(screen, rendered, x, y);
    freeTextImage(rendered);
}

void drawHud(DisplayState& d, Screen* screen)
{
    const int32_t score = gameWorld.score();
    const bool scoreStale = score != d.shownScore || !d.scoreText;
    if (scoreStale) {
        d.shownScore = score;
        snprintf(d.textBuffer, sizeof d.textBuffer, "%d", score);
    }
    drawCached(screen, d.smallFont, d.scoreText, scoreStale, d.textBuffer, 10, 5);

    // Exact comparison: any change re-renders, even one the two decimals hide.
    const double seconds = gameWorld.longestSplitSeconds();
    const bool timeStale = seconds != d.shownTime || !d.timeText;
    if (timeStale) {
        d.shownTime = seconds;
        snprintf(d.textBuffer, sizeof d.textBuffer, "%0.2fs", seconds);
    }
    drawCached(screen, d.smallFont, d.timeText, timeStale, d.textBuffer, 10, 210);
}

void drawTitleScreen(DisplayState& d, Screen* screen)
{
    // Another game keeping its record in the same place may have kept a
    // better one meanwhile (another tab of the browser): shown, and not
    // saved over.
    if (d.recordPath && recordChangedElsewhere()) {
        int32_t keptScore = 0;
        double keptTime = 0.0;
        readHighScoreFile(keptScore, keptTime, d.recordPath);
        raiseRecord(keptScore, keptTime, d.bestScore, d.bestTime);
    }
    updateRecord(gameWorld.score(), gameWorld.longestSplitSeconds(), d.bestScore, d.bestTime, d.recordPath);

    snprintf(d.textBuffer, sizeof d.textBuffer, "top:  %d", d.bestScore);
    if (d.scoreText) {
        freeTextImage(d.scoreText);
        d.scoreText = nullptr;
    }

    // Nothing here is cached: every line is rendered, drawn and freed.
    drawTextLine(screen, d.titleFont, "vlim", 30, 0);
    drawTextLine(screen, d.smallFont, d.textBuffer, 80, 90);
    snprintf(d.textBuffer, sizeof d.textBuffer, "      %0.2fs", d.bestTime);
    drawTextLine(screen, d.smallFont, d.textBuffer, 80, 110);
    snprintf(d.textBuffer, sizeof d.textBuffer, "last: %d", gameWorld.score());
    drawTextLine(screen, d.smallFont, d.textBuffer, 80, 140);
    snprintf(d.textBuffer, sizeof d.textBuffer, "      %0.2fs", gameWorld.longestSplitSeconds());
    drawTextLine(screen, d.smallFont, d.textBuffer, 80, 158);
    drawTextLine(screen, d.smallFont, "(press start to begin, select to exit)", 5, 200);
}
