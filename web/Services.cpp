// The platform's services in the browser, and its input and its showing of
// the frames.
//
// A page has no processor time of its own (Emscripten's clock() is wall
// time, sleeps included), so the game's work is wall time less the time the
// frame loop spent waiting: waitTicks sleeps through Asyncify and counts
// what it slept.
//
// A hidden page pauses the game: waitTicks does not return while the page
// is hidden, and the time it was hidden is taken out of both clocks the game
// reads (readTicks and the processor clock), so when it is shown again the
// run goes on where it was, with no frames to catch up.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "app/HighScore.h"
#include "platform/Platform.h"
#include "platform/software/SoftwareScreen.h"

// Milliseconds since the page started, less the time it has been hidden;
// it stands still while the page is hidden. The first reading starts the
// count of hidden time, before the game's first frame.
EM_JS(double, visibleNow, (), {
    var clock = Module.visibleClock;
    if (!clock) {
        clock = Module.visibleClock = {
            hiddenMs: 0,                                           // in hidden spells that ended
            hiddenSince: document.hidden ? performance.now() : -1,  // -1 while shown
            whenShown: [],                                         // resolved when it is
        };
        document.addEventListener('visibilitychange', function() {
            if (document.hidden) {
                if (clock.hiddenSince < 0)
                    clock.hiddenSince = performance.now();
            } else if (clock.hiddenSince >= 0) {
                clock.hiddenMs += performance.now() - clock.hiddenSince;
                clock.hiddenSince = -1;
                clock.whenShown.splice(0).forEach(function(resolve) { resolve(); });
            }
        });
    }
    return (clock.hiddenSince >= 0 ? clock.hiddenSince : performance.now()) - clock.hiddenMs;
});

EM_JS(bool, pageHidden, (), {
    return Module.visibleClock.hiddenSince >= 0;
});

// Returns when the page is shown again, with no timer running meanwhile.
EM_ASYNC_JS(void, waitUntilShown, (), {
    var clock = Module.visibleClock;
    await new Promise(function(resolve) { clock.whenShown.push(resolve); });
});

// Tells the page how long the frame before this wait worked (the loop waits
// once a frame) and how long it then slept; the page keeps the counts for
// the benchmark.
EM_JS(void, reportFrame, (double workMs, double sleptMs), {
    if (Module.onFrame)
        Module.onFrame(workMs, sleptMs);
});

namespace {

// Where storage.js puts the record IndexedDB holds while it stores a save,
// for betterRecord to read.
const char* const STORED_RECORD = "/tmp/stored-record";

// The better of each figure of the record in the folder and the stored
// one, each read as the game reads its file: the text to store.
const char* betterRecord()
{
    int32_t score = 0, storedScore = 0;
    double time = 0.0, storedTime = 0.0;
    readHighScoreFile(score, time);
    readHighScoreFile(storedScore, storedTime, STORED_RECORD);
    static char text[64];
    formatHighScore(text, sizeof text, std::max(score, storedScore), std::max(time, storedTime));
    return text;
}

}  // namespace

// storage.js calls betterRecord inside the transaction that stores the
// record (so no other tab's save comes between the read and the write),
// while the game waits in storeRecordFolder or sleeps in waitTicks.
// better is betterRecord's place in the function table.
EM_JS(void, offerBetterRecord, (intptr_t better, const char* storedPath), {
    Module.betterRecord = { path: UTF8ToString(storedPath), text: function() { return UTF8ToString(wasmTable.get(better)()); } };
});
namespace {
const bool offered = (offerBetterRecord(reinterpret_cast<intptr_t>(&betterRecord), STORED_RECORD), true);
}  // namespace

// Resolves once IndexedDB has the record, or has failed to take it in time.
EM_ASYNC_JS(void, storeRecordFolder, (), {
    await Module.storeRecord();
});

namespace {
double sleptMs = 0.0;     // in waitTicks since the page started, shown
double waitEndMs = -1.0;  // when the last waitTicks returned; -1 before the first
}  // namespace

// Not Date.now(), which jumps with the wall clock and runs on while the
// page is hidden.
uint32_t readTicks()
{
    return static_cast<uint32_t>(static_cast<uint64_t>(visibleNow()));
}

void waitTicks(uint32_t ms)
{
    const double start = visibleNow();
    emscripten_sleep(ms);
    if (pageHidden()) {
        waitUntilShown();
        // And back through a timer, as every other wait: the runtime looks
        // for the end of main (the game's exit) only when a timer's
        // callback returns, not a promise's.
        emscripten_sleep(0);
    }
    const double end = visibleNow();
    sleptMs += end - start;
    if (waitEndMs >= 0.0)
        reportFrame(start - waitEndMs, end - start);
    waitEndMs = end;
}

// The frame as the canvas takes it: red, green, blue, opaque, a byte each.
// Each 16-bit colour is widened as SDL 1.2 widens it onto a 32-bit display,
// its low bits zero, so the page shows the desktop's pixels.
EM_JS(void, showFrame, (const uint8_t* rgba, int width, int height), {
    var shown = Module.shownFrame;
    if (!shown || shown.image.data.buffer !== HEAPU8.buffer) {
        // Over the program's memory: putImageData reads the frame where it is.
        var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
        shown = Module.shownFrame = { image: new ImageData(pixels, width, height),
                                      context: Module.canvas.getContext('2d', { alpha: false }) };
    }
    shown.context.putImageData(shown.image, 0, 0);
});

namespace {
uint32_t canvasPixels[SCREEN_WIDTH * SCREEN_HEIGHT];
}  // namespace

void presentScreen(Screen* screen)
{
    const uint16_t* pixels = softwareScreenOf(screen).pixels;
    for (int i = 0; i < SCREEN_WIDTH * SCREEN_HEIGHT; ++i) {
        const uint32_t p = pixels[i];
        // Bytes in memory, WebAssembly being little-endian: red, green, blue, alpha.
        canvasPixels[i] = (p >> 8 & 0xf8) | (p << 5 & 0xfc00) | (p << 19 & 0xf80000) | 0xff000000u;
    }
    showFrame(reinterpret_cast<const uint8_t*>(canvasPixels), SCREEN_WIDTH, SCREEN_HEIGHT);
}

// The page's input (controls.js) waits in window.vlimInputs, each a number:
// the event's type times 8 plus its button, in InputEvent's and
// GameButton's own order.
EM_JS(int, takeInput, (), {
    var queued = window.vlimInputs;
    return queued && queued.length ? queued.shift() : -1;
});
static_assert(InputEvent::Pressed == 0 && InputEvent::Released == 1 && InputEvent::Quit == 2 &&
                  InputEvent::FocusLost == 3,
              "controls.js numbers the events so");
static_assert(static_cast<int>(GameButton::Up) == 0 && static_cast<int>(GameButton::Down) == 1 &&
                  static_cast<int>(GameButton::Split) == 2 && static_cast<int>(GameButton::Start) == 3 &&
                  static_cast<int>(GameButton::Select) == 4,
              "controls.js numbers the buttons so");

bool pollInputEvent(InputEvent& event)
{
    for (int code; (code = takeInput()) >= 0;) {
        if (code >> 3 > InputEvent::FocusLost || (code & 7) >= GAME_BUTTON_COUNT)
            continue;  // nothing the game knows
        event.type = static_cast<InputEvent::Type>(code >> 3);
        event.button = static_cast<GameButton>(code & 7);
        return true;
    }
    return false;
}

clock_t readProcessorClock()
{
    // Whole microseconds, wrapping as a 32-bit clock_t does; the run clock
    // takes its differences through the unsigned type.
    const double workMicros = (visibleNow() - sleptMs) * 1000.0;
    return static_cast<clock_t>(static_cast<uint32_t>(static_cast<uint64_t>(workMicros)));
}

// Whether a record stored since the last call (by another tab, or by this
// one's save with another's figure in it) has been put in the folder
// (storage.js's takeInRecord).
EM_JS(bool, takeRecordNews, (), {
    var news = !!Module.recordNews;
    Module.recordNews = false;
    return news;
});

bool recordChangedElsewhere()
{
    return takeRecordNews();
}

// A save that returned is one a reload finds, kept with the better of each
// figure of whatever another tab stored meanwhile. The save's own fsync
// stores nothing: the folder is in memory.
void commitRecordFolder()
{
    storeRecordFolder();
}
