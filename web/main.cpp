// vlim in the browser: the game on the software screen, its frames shown on
// the page's canvas (presentScreen, Services.cpp), its input from the
// page's keyboard, touch buttons and pads (controls.js), and the game's own
// frame loop, which Asyncify lets give the browser its turn at each wait.
// Before main the page has loaded the record's folder and made it the
// working folder (storage.js).
//
// What the desktop's start-up does besides has no use here: no signals,
// caption, icon or cursor (the page has its own), no font file (the texts'
// glyphs are in the program), and no menu to hand over to: main's return
// ends the runtime (EXIT_RUNTIME), and the page says the game has ended.
#include "app/Frame.h"
#include "app/HighScore.h"
#include "app/Screens.h"
#include "platform/software/SoftwareScreen.h"

namespace {
SoftwareScreen screen;  // 150 KB: not on the stack
}  // namespace

int main(int, char**)
{
    DisplayState display;
    readHighScoreFile(display.bestScore, display.bestTime);
    display.smallFont = fontOf(glyphFontAt(16));
    display.titleFont = fontOf(glyphFontAt(66));
    runFrames(display, screenOf(&screen));
    return 0;
}
