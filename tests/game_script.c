/* Scripted input for the real vlim executable, loaded with LD_PRELOAD.
 *
 * The whole-game tests and tools/screenshots drive the unmodified game
 * through it: it counts the frames the game presents (calls of SDL_Flip) and
 * plays a script of input events and snapshots against that count, so a test
 * says "press Return after frame 10" instead of racing a real clock.
 *
 * VLIM_SCRIPT names the script, one action a line, frames in rising order:
 *   <frame> keydown <key> [ctrl|rctrl|shift]   key: return space up down
 *   <frame> keyup <key>                             escape, or a letter/digit
 *   <frame> joydown <button>    <frame> joyup <button>
 *   <frame> quit                (the window's close button)
 *   <frame> snapshot <file.bmp> (the screen of that frame, as flipped)
 *   <frame> pause               (stop with SIGSTOP once that frame is on
 *                                the display, for a look from outside;
 *                                SIGCONT goes on)
 * Blank lines and lines starting with # are skipped. An event of frame N is
 * pushed onto SDL's queue at the first SDL_PollEvent after the N-th flip, so
 * it acts in frame N + 1; frame 0 means before the first flip.
 *
 * VLIM_VIRTUAL_TIME=1 makes the run deterministic: SDL_GetTicks reads 1 +
 * 15 ms per presented frame (never 0, which the game takes as "not timed
 * yet"), so every frame after the first has dt = 0.015; SDL_Delay returns at
 * once; clock() reads 2000 microseconds of processor time per presented
 * frame, so a split's time is its frame count times 2000 us.
 *
 * A game that is still running long after the script's last action would
 * spin forever under virtual time: the shim ends it with status 97.
 *
 * VLIM_RANDOM_SEED=<n> plays seeded random input instead of a script, for
 * VLIM_RANDOM_FRAMES frames (100000 if unset), under virtual time whose frame
 * lengths are drawn too: see soak_input.c.
 *
 * In either mode the shim keeps what the game owns for the whole run: see
 * "Kept for the whole run" below.
 *
 * VLIM_FAIL=<step> makes one start-up step fail the way its library reports
 * failure, for the failures a real machine cannot be made to produce:
 * "video-mode" (SDL_SetVideoMode gives null), "ttf-init" (TTF_Init gives -1),
 * "joystick" (one joystick is present and SDL_JoystickOpen gives null).
 */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE  /* RTLD_NEXT */
#endif
#include <SDL.h>
#include <SDL_ttf.h>
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "soak_input.h"

enum {
    MAX_ACTIONS = 256,
    OVERRUN_FRAMES = 2000,
    STATUS_LEAK = 96,
    STATUS_OVERRUN = 97,
    STATUS_BAD_SCRIPT = 98,
};

typedef struct {
    unsigned long frame;
    enum { EVENT, SNAPSHOT, PAUSE } kind;
    SDL_Event event;     /* an EVENT's */
    char path[256];      /* a SNAPSHOT's */
} Action;

static Action actions[MAX_ACTIONS];
static int actionCount = -1;  /* -1: script not read yet */
static int nextEvent;         /* first action not yet pushed (events only) */
static int nextSnapshot;      /* first action not yet taken at a flip (snapshots, pauses) */
static unsigned long framesFlipped;
static int virtualTime;
static int randomInput;
static Uint32 virtualTicks = 1;  /* never 0, which the game takes as "not timed yet" */
static const Uint32 FRAME_MS = 15;
static const long CPU_MICROS_PER_FRAME = 2000;  /* CLOCKS_PER_SEC is 10^6 */
static const unsigned long DEFAULT_RANDOM_FRAMES = 100000;

/* The real function behind a wrapper. */
static void* real(const char* name)
{
    void* f = dlsym(RTLD_NEXT, name);
    if (!f) {
        fprintf(stderr, "game_script: no %s to wrap\n", name);
        _exit(STATUS_BAD_SCRIPT);
    }
    return f;
}

static void badScript(const char* file, int line, const char* why)
{
    fprintf(stderr, "game_script: %s:%d: %s\n", file, line, why);
    _exit(STATUS_BAD_SCRIPT);
}

static SDLKey keyNamed(const char* name)
{
    if (!strcmp(name, "return")) return SDLK_RETURN;
    if (!strcmp(name, "space")) return SDLK_SPACE;
    if (!strcmp(name, "up")) return SDLK_UP;
    if (!strcmp(name, "down")) return SDLK_DOWN;
    if (!strcmp(name, "escape")) return SDLK_ESCAPE;
    /* SDL 1.2 numbers letters and digits by their ASCII codes. */
    if (strlen(name) == 1 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
        return (SDLKey)name[0];
    return SDLK_UNKNOWN;
}

static SDLMod modifierNamed(const char* name)
{
    if (!*name) return KMOD_NONE;
    if (!strcmp(name, "ctrl")) return KMOD_LCTRL;
    if (!strcmp(name, "rctrl")) return KMOD_RCTRL;
    if (!strcmp(name, "shift")) return KMOD_LSHIFT;
    return (SDLMod)-1;
}

static void readScript(void)
{
    const char* env = getenv("VLIM_VIRTUAL_TIME");
    virtualTime = env && !strcmp(env, "1");

    actionCount = 0;
    const char* seed = getenv("VLIM_RANDOM_SEED");
    if (seed && *seed) {
        const char* frames = getenv("VLIM_RANDOM_FRAMES");
        randomInput = 1;
        virtualTime = 1;  /* a 10 s stall must not take 10 s */
        soakStart(strtoull(seed, NULL, 0), frames && *frames ? strtoul(frames, NULL, 0) : DEFAULT_RANDOM_FRAMES);
        return;
    }
    const char* file = getenv("VLIM_SCRIPT");
    if (!file || !*file)
        return;
    FILE* in = fopen(file, "r");
    if (!in)
        badScript(file, 0, "cannot open the script");
    char text[512];
    int line = 0;
    unsigned long lastFrame = 0;
    while (fgets(text, sizeof text, in)) {
        ++line;
        char verb[32] = "", arg[256] = "", extra[32] = "";
        unsigned long frame;
        int fields = sscanf(text, "%lu %31s %255s %31s", &frame, verb, arg, extra);
        if (fields <= 0)
            continue;  /* blank line or comment: no frame number */
        if (fields < 2)
            badScript(file, line, "expected <frame> <action> ...");
        if (frame < lastFrame)
            badScript(file, line, "frames must not go back");
        if (actionCount == MAX_ACTIONS)
            badScript(file, line, "too many actions");
        lastFrame = frame;

        Action* a = &actions[actionCount];
        memset(a, 0, sizeof *a);
        a->frame = frame;
        SDL_Event* e = &a->event;
        if (!strcmp(verb, "keydown") || !strcmp(verb, "keyup")) {
            int down = verb[3] == 'd';
            e->type = down ? SDL_KEYDOWN : SDL_KEYUP;
            e->key.state = down ? SDL_PRESSED : SDL_RELEASED;
            e->key.keysym.sym = keyNamed(arg);
            e->key.keysym.mod = modifierNamed(extra);
            if (e->key.keysym.sym == SDLK_UNKNOWN || e->key.keysym.mod == (SDLMod)-1)
                badScript(file, line, "unknown key or modifier");
        } else if (!strcmp(verb, "joydown") || !strcmp(verb, "joyup")) {
            int down = verb[3] == 'd';
            e->type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
            e->jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
            e->jbutton.which = 0;
            e->jbutton.button = (Uint8)atoi(arg);
            if (fields < 3)
                badScript(file, line, "which button?");
        } else if (!strcmp(verb, "quit")) {
            e->type = SDL_QUIT;
        } else if (!strcmp(verb, "snapshot")) {
            if (fields < 3 || frame == 0)
                badScript(file, line, "snapshot needs a frame from 1 on and a file name");
            a->kind = SNAPSHOT;
            snprintf(a->path, sizeof a->path, "%s", arg);
        } else if (!strcmp(verb, "pause")) {
            if (frame == 0)
                badScript(file, line, "pause needs a frame from 1 on");
            a->kind = PAUSE;
        } else {
            badScript(file, line, "unknown action");
        }
        ++actionCount;
    }
    fclose(in);
}

static void ensureScript(void)
{
    if (actionCount < 0)
        readScript();
}

/* Kept for the whole run.
 *
 * The game opens two fonts and caches the in-run display's two texts, and by
 * design frees none of them: they live until the process ends. It holds them
 * in main's locals, which are gone by the time the leak checkers
 * (LeakSanitizer, valgrind) look at exit, so these would be reported as lost
 * although nothing lost them. Kept here as well, they stay reachable; in
 * return the bound that makes them no leak is checked: two fonts, and at most
 * two rendered texts alive at the end of every frame. A text beyond that is a
 * leak: the shim reports it in the frame it happens and ends the game with
 * status 96. */
enum { FONTS_KEPT = 2, TEXTS_KEPT = 2, TEXT_SLOTS = 64 };
static TTF_Font* volatile fonts[FONTS_KEPT];  /* only written: volatile keeps the stores */
static int fontCount;
static SDL_Surface* liveTexts[TEXT_SLOTS];  /* rendered and not yet freed */
static int liveTextCount;
static unsigned long textsRendered;

static void leak(const char* what)
{
    fprintf(stderr, "game_script: after frame %lu: %s\n", framesFlipped, what);
    _exit(STATUS_LEAK);
}

TTF_Font* TTF_OpenFont(const char* file, int points)
{
    static TTF_Font* (*realOpenFont)(const char*, int);
    if (!realOpenFont)
        realOpenFont = (TTF_Font * (*)(const char*, int)) real("TTF_OpenFont");
    TTF_Font* font = realOpenFont(file, points);
    if (font) {
        if (fontCount == FONTS_KEPT)
            leak("a third font opened; the game keeps two");
        fonts[fontCount++] = font;
    }
    return font;
}

SDL_Surface* TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color colour)
{
    static SDL_Surface* (*realRender)(TTF_Font*, const char*, SDL_Color);
    if (!realRender)
        realRender = (SDL_Surface * (*)(TTF_Font*, const char*, SDL_Color)) real("TTF_RenderText_Blended");
    SDL_Surface* rendered = realRender(font, text, colour);
    if (rendered) {
        if (liveTextCount == TEXT_SLOTS)
            leak("too many rendered texts alive");
        liveTexts[liveTextCount++] = rendered;
        ++textsRendered;
    }
    return rendered;
}

void SDL_FreeSurface(SDL_Surface* surface)
{
    static void (*realFree)(SDL_Surface*);
    if (!realFree)
        realFree = (void (*)(SDL_Surface*))real("SDL_FreeSurface");
    for (int i = 0; i < liveTextCount; ++i) {
        if (liveTexts[i] == surface) {
            liveTexts[i] = liveTexts[--liveTextCount];
            break;
        }
    }
    realFree(surface);
}

static void checkKeptTexts(void)
{
    if (liveTextCount > TEXTS_KEPT) {
        char what[96];
        snprintf(what, sizeof what, "%d rendered texts alive; the game keeps %d", liveTextCount, TEXTS_KEPT);
        leak(what);
    }
}

int SDL_PollEvent(SDL_Event* event)
{
    static int (*realPollEvent)(SDL_Event*);
    if (!realPollEvent)
        realPollEvent = (int (*)(SDL_Event*))real("SDL_PollEvent");
    ensureScript();
    if (randomInput)
        soakPushEvents();
    /* Through SDL's own queue, so the game sees them as it would see real
     * input, in script order. */
    for (; nextEvent < actionCount && actions[nextEvent].frame <= framesFlipped; ++nextEvent) {
        if (actions[nextEvent].kind == EVENT && SDL_PushEvent(&actions[nextEvent].event) < 0) {
            fprintf(stderr, "game_script: SDL_PushEvent: %s\n", SDL_GetError());
            _exit(STATUS_BAD_SCRIPT);
        }
    }
    return realPollEvent(event);
}

int SDL_Flip(SDL_Surface* screen)
{
    static int (*realFlip)(SDL_Surface*);
    if (!realFlip)
        realFlip = (int (*)(SDL_Surface*))real("SDL_Flip");
    ensureScript();
    ++framesFlipped;
    int pause = 0;
    for (; nextSnapshot < actionCount && actions[nextSnapshot].frame <= framesFlipped; ++nextSnapshot) {
        const Action* a = &actions[nextSnapshot];
        if (a->frame != framesFlipped)
            continue;
        pause |= a->kind == PAUSE;
        if (a->kind == SNAPSHOT && SDL_SaveBMP(screen, a->path) < 0) {
            fprintf(stderr, "game_script: snapshot %s: %s\n", a->path, SDL_GetError());
            _exit(STATUS_BAD_SCRIPT);
        }
    }
    if (actionCount > 0 && framesFlipped > actions[actionCount - 1].frame + OVERRUN_FRAMES) {
        fprintf(stderr, "game_script: still running %d frames after the script's end\n", OVERRUN_FRAMES);
        _exit(STATUS_OVERRUN);
    }
    checkKeptTexts();
    virtualTicks += randomInput ? soakFrameDone(framesFlipped, textsRendered) : FRAME_MS;
    const int flipped = realFlip(screen);
    if (pause)
        raise(SIGSTOP);
    return flipped;
}

Uint32 SDL_GetTicks(void)
{
    static Uint32 (*realGetTicks)(void);
    ensureScript();
    if (virtualTime)
        return virtualTicks;
    if (!realGetTicks)
        realGetTicks = (Uint32 (*)(void))real("SDL_GetTicks");
    return realGetTicks();
}

void SDL_Delay(Uint32 ms)
{
    static void (*realDelay)(Uint32);
    ensureScript();
    if (virtualTime)
        return;
    if (!realDelay)
        realDelay = (void (*)(Uint32))real("SDL_Delay");
    realDelay(ms);
}

clock_t clock(void)
{
    static clock_t (*realClock)(void);
    ensureScript();
    if (virtualTime)
        return (clock_t)(CPU_MICROS_PER_FRAME * (long)framesFlipped);
    if (!realClock)
        realClock = (clock_t (*)(void))real("clock");
    return realClock();
}

/* ---- Start-up failures on demand (VLIM_FAIL) ---- */

static int failing(const char* step)
{
    const char* which = getenv("VLIM_FAIL");
    if (!which || strcmp(which, step) != 0)
        return 0;
    SDL_SetError("failed on purpose (VLIM_FAIL=%s)", step);
    return 1;
}

SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    static SDL_Surface* (*realSetVideoMode)(int, int, int, Uint32);
    if (failing("video-mode"))
        return NULL;
    if (!realSetVideoMode)
        realSetVideoMode = (SDL_Surface * (*)(int, int, int, Uint32)) real("SDL_SetVideoMode");
    return realSetVideoMode(width, height, bpp, flags);
}

int TTF_Init(void)
{
    static int (*realTtfInit)(void);
    if (failing("ttf-init"))
        return -1;
    if (!realTtfInit)
        realTtfInit = (int (*)(void))real("TTF_Init");
    return realTtfInit();
}

int SDL_NumJoysticks(void)
{
    static int (*realNumJoysticks)(void);
    const char* which = getenv("VLIM_FAIL");
    if (which && strcmp(which, "joystick") == 0)
        return 1;
    if (!realNumJoysticks)
        realNumJoysticks = (int (*)(void))real("SDL_NumJoysticks");
    return realNumJoysticks();
}

SDL_Joystick* SDL_JoystickOpen(int index)
{
    static SDL_Joystick* (*realJoystickOpen)(int);
    if (failing("joystick"))
        return NULL;
    if (!realJoystickOpen)
        realJoystickOpen = (SDL_Joystick * (*)(int)) real("SDL_JoystickOpen");
    return realJoystickOpen(index);
}
