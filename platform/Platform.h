// What the game needs of the machine it runs on: a screen to draw on, its
// input as game buttons, and a few services. Each platform implements all of
// it in a folder of its own (platform/sdl/ the desktop and the handhelds,
// web/ the browser, platform/scripted/ the tests' scripted machine); the
// build links exactly one. Nothing else of a platform reaches the game: no
// game file includes SDL's or any other library's headers but the C and C++
// libraries'.
#pragma once

#include <cstdint>
#include <ctime>

// ---- The screen: 320x240 (world/Screen.h) ----

struct Screen;     // the platform's; the game only passes it on
struct Font;       // a font at one size, opened by the platform; null: none
struct TextImage;  // a text rendered in a font, drawn any number of times

// The whole screen black: every frame begins so.
void clearScreen(Screen* screen);

// The cave and the bands draw with nothing else. rgb points at three bytes,
// red, green, blue, mapped to the screen's pixels as SDL_MapRGB maps them. x
// and y are taken as signed 16-bit, w and h as unsigned 16-bit (their low 16
// bits); what lies off the screen is clipped.
void fillRectRgb(Screen* screen, int x, int y, int w, int h, const uint8_t* rgb);

// text in font, anti-aliased in the colour rgb (three bytes) on nothing;
// null when font is null or the text cannot be rendered.
TextImage* renderText(Font* font, const char* text, const uint8_t* rgb);
// Blends image onto the screen with its top-left corner at (x, y), clipped.
void drawTextImage(Screen* screen, TextImage* image, int x, int y);
void freeTextImage(TextImage* image);

// ---- Input ----

// The game's own buttons, whatever the platform's keys and buttons are
// called (each platform's tables say which is which).
enum class GameButton : uint8_t { Up, Down, Split, Start, Select };
const int GAME_BUTTON_COUNT = 5;

struct InputEvent {
    enum Type : uint8_t {
        Pressed,    // button went down
        Released,   // button came up
        Quit,       // the window closed, or Control+C
        FocusLost,  // the releases of what is held go elsewhere now
    } type;
    GameButton button;  // Pressed and Released only
};

// The next input event in arrival order; false when none is queued. The
// game counts Up and Down, so a platform passes on a steering input's press
// only while that input is up and its release only while it is down (one
// pressed in another window and released here takes nothing back), and
// forgets what was held at FocusLost. Every other press and release is
// passed on as it comes.
bool pollInputEvent(InputEvent& event);

// ---- Services ----

// Milliseconds from an arbitrary start, wrapping at 2^32.
uint32_t readTicks();
// Returns after about ms milliseconds (0: yields at once).
void waitTicks(uint32_t ms);
// Shows the frame drawn on screen since the last one.
void presentScreen(Screen* screen);
// Processor time of the game, in clock() ticks: a split lasts the time the
// game worked, not the time it slept.
clock_t readProcessorClock();
// True, once, after another game that keeps its record in the same place
// has kept a new one there; the title screen then reads it again. Where
// nothing tells of that, false.
bool recordChangedElsewhere();
// After a save has renamed the record into place: makes the rename itself,
// not only the file's bytes, outlast a power cut or a reload. Returns when
// it is done.
void commitRecordFolder();
