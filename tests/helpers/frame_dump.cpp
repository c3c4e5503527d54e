// frame_dump: the game's own frames in a seeded play, on one platform's
// screen: the title screen without a record, a few hundred frames of random
// play (runs started, split, steered, lost, the record raised), then the
// widest texts (a record and a score of ten digits). Prints a digest of each
// frame; with --frame N FILE also writes frame N's pixels (RGB565, row by
// row, little-endian) to FILE. Built on the SDL screen and on the software
// screen (VLIM_FRAME_DUMP_SDL or not), whose output same_frames.sh compares.
// With --every N, only every Nth frame's digest and that of all the frames
// so far: frame_dump.expected, which the software screen must print on
// every machine, WebAssembly's included. The record is saved in the working
// directory.
//
// Usage: frame_dump [--frame N FILE | --every N]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "app/Frame.h"
#include "app/Screens.h"
#include "bands/BandGroup.h"
#include "platform/Platform.h"
#include "tests/support/FakeProcessorClock.h"
#include "world/GameWorld.h"
#include "world/Screen.h"

#ifdef VLIM_FRAME_DUMP_SDL
#include "platform/sdl/SdlScreen.h"
#else
#include "platform/software/SoftwareScreen.h"
#endif

namespace {

#ifdef VLIM_FRAME_DUMP_SDL
SDL_Surface* surface = nullptr;

bool openScreen(DisplayState& d)
{
    if (SDL_Init(0) < 0 || TTF_Init() < 0)
        return false;
    d.smallFont = fontOf(TTF_OpenFont(VLIM_FONT, 16));
    d.titleFont = fontOf(TTF_OpenFont(VLIM_FONT, 66));
    surface = SDL_CreateRGBSurface(SDL_SWSURFACE, SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_DEPTH, 0xF800, 0x07E0, 0x001F, 0);
    return d.smallFont && d.titleFont && surface;
}
Screen* screen() { return screenOf(surface); }
uint16_t pixel(int x, int y)
{
    return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch)[x];
}
// Everything freed, so that the sanitizer build's leak check sees none.
void closeScreen(DisplayState& d)
{
    SDL_FreeSurface(surfaceOf(d.scoreText));
    SDL_FreeSurface(surfaceOf(d.timeText));
    TTF_CloseFont(fontOf(d.smallFont));
    TTF_CloseFont(fontOf(d.titleFont));
    SDL_FreeSurface(surface);
    TTF_Quit();
    SDL_Quit();
}
#else
SoftwareScreen software;

bool openScreen(DisplayState& d)
{
    d.smallFont = fontOf(glyphFontAt(16));
    d.titleFont = fontOf(glyphFontAt(66));
    return true;
}
Screen* screen() { return screenOf(&software); }
uint16_t pixel(int x, int y) { return software.pixels[y * SCREEN_WIDTH + x]; }
void closeScreen(DisplayState& d)
{
    if (d.scoreText)
        freeTextImage(d.scoreText);
    if (d.timeText)
        freeTextImage(d.timeText);
}
#endif

// The platform's input, from the script below: presses only of what is up,
// releases only of what is down, as the seam asks.
std::deque<InputEvent> queued;
bool held[GAME_BUTTON_COUNT] = {};

void press(GameButton button, bool down)
{
    if (held[static_cast<int>(button)] == down)
        return;
    held[static_cast<int>(button)] = down;
    queued.push_back({down ? InputEvent::Pressed : InputEvent::Released, button});
}

// splitmix64, as the seeded run draws.
uint64_t randomState = 0x766c696d;
uint32_t below(uint32_t n)
{
    uint64_t z = (randomState += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return static_cast<uint32_t>((z ^ (z >> 31)) % n);
}

uint64_t digest()
{
    uint64_t h = 14695981039346656037ull;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x) {
            const uint16_t p = pixel(x, y);
            h = (h ^ (p & 0xFF)) * 1099511628211ull;
            h = (h ^ (p >> 8)) * 1099511628211ull;
        }
    return h;
}

}  // namespace

bool pollInputEvent(InputEvent& event)
{
    if (queued.empty())
        return false;
    event = queued.front();
    queued.pop_front();
    return true;
}
uint32_t readTicks() { return 0; }
void waitTicks(uint32_t) {}
void presentScreen(Screen*) {}
bool recordChangedElsewhere() { return false; }
void commitRecordFolder() {}

int main(int argc, char** argv)
{
    long wanted = -1, every = 1;
    if (argc == 4 && !strcmp(argv[1], "--frame"))
        wanted = atol(argv[2]);
    else if (argc == 3 && !strcmp(argv[1], "--every") && atol(argv[2]) > 0)
        every = atol(argv[2]);
    else if (argc != 1) {
        fprintf(stderr, "usage: frame_dump [--frame N FILE | --every N]\n");
        return 2;
    }
    uint64_t history = 0;  // every frame's digest so far, chained
    DisplayState display;
    if (!openScreen(display)) {
        fprintf(stderr, "frame_dump: cannot open the screen or the fonts\n");
        return 1;
    }

    const int TITLE = 30, PLAY = 700, WIDE = 40;
    int titleFrames = 0;
    for (int frame = 0; frame < TITLE + PLAY + WIDE; ++frame) {
        float dt = 0.015f;
        if (frame >= TITLE && frame < TITLE + PLAY) {
            if (!gameWorld.anyBandAlive() && below(10) == 0)
                press(GameButton::Start, true);
            else
                press(GameButton::Start, false);
            if (below(12) == 0)
                press(GameButton::Split, !held[static_cast<int>(GameButton::Split)]);
            for (GameButton steer : {GameButton::Up, GameButton::Down})
                if (below(8) == 0)
                    press(steer, !held[static_cast<int>(steer)]);
            if (below(10) == 0)
                dt = static_cast<float>(below(40)) / 1000.0f;
        } else if (frame == TITLE + PLAY) {
            for (int b = 0; b < GAME_BUTTON_COUNT; ++b)
                press(static_cast<GameButton>(b), false);
        } else if (frame == TITLE + PLAY + 1) {
            // The widest figures: a record of ten digits and a long split,
            // on the title screen (the last run's bands taken away), then
            // the same score in a run.
            for (Band* band : gameWorld.bands->bands)
                delete band;
            gameWorld.bands->bands.clear();
            display.bestScore = 2147483647;
            display.bestTime = 98765.4321;
        } else if (frame == TITLE + PLAY + WIDE / 2) {
            press(GameButton::Start, true);
        } else if (frame > TITLE + PLAY + WIDE / 2) {
            gameWorld.bands->runClock->score = 1234567890;
            gameWorld.bands->runClock->longestSplitSeconds = 12.345;
        }
        fakeProcessorClock += 2000 + below(30000);
        clearScreen(screen());
        playFrame(display, screen(), dt);
        titleFrames += !gameWorld.anyBandAlive();
        const uint64_t d = digest();
        history = (history ^ d) * 1099511628211ull;
        if (frame % every == 0 || frame == TITLE + PLAY + WIDE - 1)
            printf(every > 1 ? "frame %d %016llx %s, all so far %016llx\n" : "frame %d %016llx %s\n", frame,
                   static_cast<unsigned long long>(d), gameWorld.anyBandAlive() ? "run" : "title",
                   static_cast<unsigned long long>(history));
        if (frame == wanted) {
            FILE* out = fopen(argv[3], "wb");
            if (!out)
                return 1;
            for (int y = 0; y < SCREEN_HEIGHT; ++y)
                for (int x = 0; x < SCREEN_WIDTH; ++x) {
                    const uint16_t p = pixel(x, y);
                    const uint8_t bytes[2] = {static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8)};
                    fwrite(bytes, 1, 2, out);
                }
            if (fclose(out) != 0)
                return 1;
        }
    }
    printf("title frames %d run frames %d\n", titleFrames, TITLE + PLAY + WIDE - titleFrames);
    closeScreen(display);
    return 0;
}
