/* The script file of the script player (the format is in game_script.c):
 * its input events, pushed by frame number, and its snapshots and pauses,
 * taken at the flips. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "shim.h"
#include "tests/support/events.h"

enum { MAX_ACTIONS = 256, OVERRUN_FRAMES = 2000 };

typedef struct {
    unsigned long frame;
    enum { EVENT, SNAPSHOT, PAUSE, CLOCK } kind;
    SDL_Event event; /* an EVENT's */
    long stepMs;     /* a CLOCK's */
    char path[256];  /* a SNAPSHOT's */
} Action;

static Action actions[MAX_ACTIONS];
static int actionCount;
static int nextEvent;    /* first action not yet pushed (events only) */
static int nextSnapshot; /* first action not yet taken at a flip (snapshots, pauses) */

static void badScript(const char* file, int line, const char* why)
{
    fprintf(stderr, "game_script: %s:%d: %s\n", file, line, why);
    _exit(SHIM_STATUS_BAD_SCRIPT);
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

void scriptRead(const char* file)
{
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
            *e = keyEvent(verb[3] == 'd' ? SDL_KEYDOWN : SDL_KEYUP, keyNamed(arg), modifierNamed(extra));
            if (e->key.keysym.sym == SDLK_UNKNOWN || e->key.keysym.mod == (SDLMod)-1)
                badScript(file, line, "unknown key or modifier");
        } else if (!strcmp(verb, "joydown") || !strcmp(verb, "joyup")) {
            *e = buttonEvent(verb[3] == 'd' ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, (Uint8)atoi(arg), 0);
            if (fields < 3)
                badScript(file, line, "which button?");
        } else if (!strcmp(verb, "quit")) {
            e->type = SDL_QUIT;
        } else if (!strcmp(verb, "snapshot")) {
            if (fields < 3 || frame == 0)
                badScript(file, line, "snapshot needs a frame from 1 on and a file name");
            a->kind = SNAPSHOT;
            snprintf(a->path, sizeof a->path, "%s", arg);
        } else if (!strcmp(verb, "clock")) {
            char* end = NULL;
            a->stepMs = strtol(arg, &end, 10);
            if (fields < 3 || *end || frame == 0)
                badScript(file, line, "clock needs a frame from 1 on and a step in milliseconds");
            a->kind = CLOCK;
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

void scriptPushEvents(void)
{
    for (; nextEvent < actionCount && actions[nextEvent].frame <= framesFlipped; ++nextEvent) {
        if (actions[nextEvent].kind == EVENT && SDL_PushEvent(&actions[nextEvent].event) < 0) {
            fprintf(stderr, "game_script: SDL_PushEvent: %s\n", SDL_GetError());
            _exit(SHIM_STATUS_BAD_SCRIPT);
        }
    }
}

int scriptFrameDone(SDL_Surface* screen)
{
    int pause = 0;
    for (; nextSnapshot < actionCount && actions[nextSnapshot].frame <= framesFlipped; ++nextSnapshot) {
        const Action* a = &actions[nextSnapshot];
        if (a->frame != framesFlipped)
            continue;
        pause |= a->kind == PAUSE;
        if (a->kind == CLOCK)
            stepClock(a->stepMs);
        if (a->kind == SNAPSHOT && SDL_SaveBMP(screen, a->path) < 0) {
            fprintf(stderr, "game_script: snapshot %s: %s\n", a->path, SDL_GetError());
            _exit(SHIM_STATUS_BAD_SCRIPT);
        }
    }
    if (actionCount > 0 && framesFlipped > actions[actionCount - 1].frame + OVERRUN_FRAMES) {
        fprintf(stderr, "game_script: still running %d frames after the script's end\n", OVERRUN_FRAMES);
        _exit(SHIM_STATUS_OVERRUN);
    }
    return pause;
}
