/* Seeded random input for a long soak of the real game.
 *
 * Each frame gets a length in virtual milliseconds and a number of input
 * events, both drawn from one seeded generator, so a seed names one exact
 * soak and a failure can be played again. The keyboard and the joystick are
 * modelled as real devices: a control is released only while it is held, so
 * the steering counter stays within what hands can make of it, except for a
 * rare stray release (a key that was already down when the game started).
 *
 * What the frames hold:
 *   - mostly 15 ms, some of 0 ms, some of 1 to 40 ms; now and then a stall of
 *     0.5 s, rarely one of 10 s (4000 cave columns in one frame);
 *   - steering from the arrow keys and the joystick's direction buttons,
 *     often both at once; the split held and released from Space and B;
 *   - starts from Return and Start, landing in runs and in splits alike;
 *   - events the game must ignore: other keys, Control+C's and Select's
 *     releases, other buttons, mouse and window events;
 *   - now and then a flood of thousands of events in one frame.
 * Quitting is left out until the last frame, after which one quit input
 * (Control+C, Select or the window's close button) ends the game.
 *
 * Memory: the resident size is read after frame 10,000 and after the last;
 * one summary line on standard error gives both, with the frames per second.
 */
#include "tests/game/shim.h"
#include "tests/support/events.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum {
    FIRST_SAMPLE_FRAME = 10000,  /* the resident size "after the first 10,000" */
    QUIT_GRACE_FRAMES = 100,     /* the game must be gone this soon after the quit */
    FLOOD_MIN = 2000,
    FLOOD_MAX = 5000,
};

/* One in this many frames holds a flood. */
static const unsigned FLOOD_ONE_IN = 1500;

/* ---- The generator: splitmix64, small and the same everywhere. ---- */

static uint64_t rngState;

static uint64_t nextRandom(void)
{
    uint64_t z = (rngState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/* 0 .. n - 1 */
static unsigned randomBelow(unsigned n)
{
    return (unsigned)(nextRandom() % n);
}

/* ---- The devices. ---- */

typedef struct {
    int isKey;  /* else a joystick button */
    int code;   /* SDLKey or button number */
    int held;
} Control;

/* The joystick numbers of the build's button table (soakUseButtons, from
 * the game's own). Controls: steering first, then the two splits. */
typedef struct {
    Control controls[16];
    int steeringControls;
    int start, select;
    Uint8 ignored[32];
    int ignoredCount;
    Uint8 unreadAxes[2];  /* axes that steer nothing */
} ButtonTable;

static ButtonTable table;
#define controls table.controls
#define STEERING_CONTROLS table.steeringControls
#define BUTTON_START table.start
#define BUTTON_SELECT table.select
#define IGNORED_BUTTONS table.ignored
#define IGNORED_BUTTON_COUNT table.ignoredCount

/* Keys the game does not map, 'c' among them (it quits only with Control). */
static const SDLKey IGNORED_KEYS[] = {
    SDLK_a, SDLK_c, SDLK_q, SDLK_x, SDLK_z, SDLK_0, SDLK_9, SDLK_ESCAPE, SDLK_TAB, SDLK_LEFT,
    SDLK_RIGHT, SDLK_LCTRL, SDLK_RCTRL, SDLK_LSHIFT, SDLK_F1, SDLK_BACKSPACE,
};
#define COUNT(array) (sizeof(array) / sizeof((array)[0]))

/* Mostly none; any modifier, Control included, must leave a mapped key's
 * meaning alone (only 'c' changes with Control). */
static SDLMod randomModifier(void)
{
    static const SDLMod MODIFIERS[] = {KMOD_LSHIFT, KMOD_LCTRL, KMOD_RCTRL, KMOD_LALT, KMOD_NUM};
    return randomBelow(10) ? KMOD_NONE : MODIFIERS[randomBelow(COUNT(MODIFIERS))];
}

static SDL_Event key(int down, SDLKey code, SDLMod modifier)
{
    return keyEvent(down ? SDL_KEYDOWN : SDL_KEYUP, code, modifier);
}

static SDL_Event button(int down, int code)
{
    return buttonEvent(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, (Uint8)code, (Uint8)randomBelow(4));  /* the game does not look at which */
}

/* Presses a control that is up, releases one that is down. */
static SDL_Event toggle(Control* c)
{
    c->held = !c->held;
    return c->isKey ? key(c->held, (SDLKey)c->code, randomModifier()) : button(c->held, c->code);
}

static SDL_Event ignoredEvent(void)
{
    SDL_Event e;
    memset(&e, 0, sizeof e);
    switch (randomBelow(9)) {
    case 0: return key(1, IGNORED_KEYS[randomBelow(COUNT(IGNORED_KEYS))], randomBelow(2) ? KMOD_NONE : KMOD_LSHIFT);
    case 1: return key(0, IGNORED_KEYS[randomBelow(COUNT(IGNORED_KEYS))], KMOD_NONE);
    case 2: return key(0, SDLK_c, KMOD_LCTRL);        /* releasing Control+C */
    case 3: return key(0, SDLK_RETURN, KMOD_NONE);    /* releasing Return */
    case 4: return button((int)randomBelow(2), IGNORED_BUTTONS[randomBelow((unsigned)IGNORED_BUTTON_COUNT)]);
    case 5: return button(0, randomBelow(2) ? BUTTON_START : BUTTON_SELECT);  /* their releases */
    case 6:
        e.type = SDL_MOUSEMOTION;
        e.motion.x = (Uint16)randomBelow(320);
        e.motion.y = (Uint16)randomBelow(240);
        return e;
    case 7:
        e.type = SDL_JOYAXISMOTION;
        e.jaxis.axis = table.unreadAxes[randomBelow(2)];
        e.jaxis.value = (Sint16)(randomBelow(65536) - 32768);
        return e;
    default:
        e.type = randomBelow(2) ? SDL_ACTIVEEVENT : SDL_VIDEOEXPOSE;
        e.active.gain = (Uint8)randomBelow(2);
        e.active.state = SDL_APPINPUTFOCUS;
        return e;
    }
}

/* ---- The soak's state. ---- */

static unsigned long lastFrame;
static unsigned long pendingEvents;  /* still to be pushed in the current frame */
static SDL_Event nextEvent;          /* drawn but not yet taken by the queue */
static int haveNextEvent;
static int quitPlanned;

static struct {
    unsigned long events, floods, largestFlood, starts, splitPresses, strays;
    unsigned long zeroFrames, shortStalls, longStalls;
} counts;

static long rssFirstKb = -1, rssLastKb = -1;
static struct timespec firstFlip;

static SDL_Event randomEvent(void)
{
    /* Per 100,000 events: 45,000 steering, 15,000 split, 1,500 starts, 3
     * strays (each leaves the steering off by one for good), the rest
     * ignored. */
    const unsigned r = randomBelow(100000);
    ++counts.events;
    if (r < 45000)
        return toggle(&controls[randomBelow(STEERING_CONTROLS)]);
    if (r < 60000) {
        Control* split = &controls[STEERING_CONTROLS + randomBelow(2)];
        counts.splitPresses += !split->held;
        return toggle(split);
    }
    if (r < 61500) {
        ++counts.starts;
        return randomBelow(2) ? key(1, SDLK_RETURN, randomModifier()) : button(1, BUTTON_START);
    }
    if (r < 61503) {
        /* A release the game never saw pressed; the counter takes it as is. */
        Control* c = &controls[randomBelow(STEERING_CONTROLS)];
        if (!c->held) {
            ++counts.strays;
            return c->isKey ? key(0, (SDLKey)c->code, KMOD_NONE) : button(0, c->code);
        }
    }
    return ignoredEvent();
}

static SDL_Event quitEvent(void)
{
    SDL_Event e;
    switch (randomBelow(3)) {
    case 0: return key(1, SDLK_c, KMOD_LCTRL);
    case 1: return button(1, BUTTON_SELECT);
    default:
        memset(&e, 0, sizeof e);
        e.type = SDL_QUIT;
        return e;
    }
}

static unsigned long plannedEventCount(void)
{
    if (randomBelow(FLOOD_ONE_IN) == 0) {
        const unsigned long flood = FLOOD_MIN + randomBelow(FLOOD_MAX - FLOOD_MIN + 1);
        ++counts.floods;
        if (flood > counts.largestFlood)
            counts.largestFlood = flood;
        return flood;
    }
    const unsigned r = randomBelow(100);
    return r < 60 ? 0 : r < 85 ? 1 : r < 95 ? 2 : 3 + randomBelow(6);
}

static Uint32 plannedFrameMs(void)
{
    const unsigned r = randomBelow(100000);
    if (r < 10) {
        ++counts.longStalls;
        return 10000;
    }
    if (r < 210) {
        ++counts.shortStalls;
        return 500;
    }
    if (r < 5210) {
        ++counts.zeroFrames;
        return 0;
    }
    if (r < 10210)
        return 1 + randomBelow(40);
    return VIRTUAL_FRAME_MS;
}

/* VmRSS from /proc/self/status, in kB; -1 if unreadable. */
static long residentKb(void)
{
    FILE* status = fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, status)) {
        if (sscanf(line, "VmRSS: %ld kB", &kb) == 1)
            break;
    }
    fclose(status);
    return kb;
}

static double secondsSince(const struct timespec* start)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - start->tv_sec) + (double)(now.tv_nsec - start->tv_nsec) / 1e9;
}

static void printSummary(unsigned long textsRendered)
{
    const double seconds = secondsSince(&firstFlip);
    fprintf(stderr,
            "soak: frames=%lu fps=%.0f seconds=%.1f rss_first=%ldkB rss_last=%ldkB growth=%ldkB "
            "events=%lu floods=%lu largest_flood=%lu starts=%lu split_presses=%lu stray_releases=%lu "
            "zero_ms_frames=%lu stalls_0.5s=%lu stalls_10s=%lu texts_rendered=%lu\n",
            lastFrame, seconds > 0 ? (double)(lastFrame - 1) / seconds : 0.0, seconds, rssFirstKb, rssLastKb,
            rssLastKb - rssFirstKb, counts.events, counts.floods, counts.largestFlood, counts.starts,
            counts.splitPresses, counts.strays, counts.zeroFrames, counts.shortStalls, counts.longStalls,
            textsRendered);
}

void soakUseButtons(const int* steering, int steeringCount, int split, int start, int select, int stickAxis)
{
    Control* c = controls;
    *c++ = (Control){1, SDLK_UP, 0};
    *c++ = (Control){1, SDLK_DOWN, 0};
    for (int i = 0; i < steeringCount; ++i)
        *c++ = (Control){0, steering[i], 0};
    STEERING_CONTROLS = (int)(c - controls);
    *c++ = (Control){1, SDLK_SPACE, 0};
    *c++ = (Control){0, split, 0};
    BUTTON_START = start;
    BUTTON_SELECT = select;
    /* Every low number the table does not hold, and two far out. */
    IGNORED_BUTTON_COUNT = 0;
    for (int b = 0; b < 20; ++b) {
        int bound = b == split || b == start || b == select;
        for (int i = 0; i < steeringCount; ++i)
            bound |= b == steering[i];
        if (!bound)
            IGNORED_BUTTONS[IGNORED_BUTTON_COUNT++] = (Uint8)b;
    }
    IGNORED_BUTTONS[IGNORED_BUTTON_COUNT++] = 31;
    IGNORED_BUTTONS[IGNORED_BUTTON_COUNT++] = 255;
    table.unreadAxes[0] = 0;
    table.unreadAxes[1] = stickAxis == 1 ? 2 : 1;
}

void soakStart(unsigned long long seed, unsigned long frames)
{
    rngState = seed;
    lastFrame = frames;
}

void soakPushEvents(void)
{
    while (pendingEvents > 0) {
        if (!haveNextEvent) {
            nextEvent = quitPlanned ? quitEvent() : randomEvent();
            haveNextEvent = 1;
        }
        /* SDL 1.2's queue holds 127 events: when it is full the rest wait
         * for the game's next poll, which makes room. */
        if (SDL_PushEvent(&nextEvent) < 0)
            return;
        haveNextEvent = 0;
        --pendingEvents;
    }
}

Uint32 soakFrameDone(void)
{
    const unsigned long frame = framesFlipped;
    if (frame == 1)
        clock_gettime(CLOCK_MONOTONIC, &firstFlip);
    if (frame == FIRST_SAMPLE_FRAME || (frame == lastFrame && rssFirstKb < 0))
        rssFirstKb = residentKb();
    if (frame == lastFrame) {
        rssLastKb = residentKb();
        printSummary(textsRenderedSoFar());
        quitPlanned = 1;
        pendingEvents = 1;
        return VIRTUAL_FRAME_MS;
    }
    if (frame > lastFrame + QUIT_GRACE_FRAMES) {
        fprintf(stderr, "game_script: the game still runs %d frames after the soak's quit\n", QUIT_GRACE_FRAMES);
        _exit(SHIM_STATUS_OVERRUN);
    }
    if (frame > lastFrame)
        return VIRTUAL_FRAME_MS;
    pendingEvents += plannedEventCount();
    return plannedFrameMs();
}
