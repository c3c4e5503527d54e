/* A standard pad for the whole-game tests, loaded with LD_PRELOAD next to
 * game_script and ahead of the SDL 1.2 compatibility layer, which runs over
 * SDL 2: this machine has no /dev/uinput, so the pad is an SDL 2 virtual
 * joystick, attached when the game is loaded, before the layer opens its
 * joysticks. SDL 2 gives it the standard controller mapping of the buttons
 * it declares: every button of SDL 2's controller order up to the d-pad's
 * right but Guide, which a pad's driver may keep for itself. So its joystick
 * numbers are not its controller numbers from Guide on (Start is joystick
 * button 5 and controller button 6; the d-pad's up and down 10 and 11, and
 * 11 and 12): only the layer's game controller mode gives the game the
 * controller order.
 *
 * VLIM_PAD_SCRIPT names what the pad does, one action a line, by
 * game_script's frame count (an action of frame N shows in frame N + 1):
 *   <frame> press|release south|east|west|north|back|start|up|down
 *   <frame> lefty <value>       (the left stick's up-down axis)
 * Without VLIM_PAD_SCRIPT nothing is attached. */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* RTLD_DEFAULT */
#endif
#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const Uint32 BUTTONS = ((1u << (SDL_CONTROLLER_BUTTON_DPAD_RIGHT + 1)) - 1) & ~(1u << SDL_CONTROLLER_BUTTON_GUIDE);
static const Uint32 AXES = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;

enum Kind { PRESS, RELEASE, LEFTY };
struct Action {
    unsigned long frame;
    enum Kind kind;
    int value; /* joystick button or axis value */
};
static struct Action actions[64];
static int actionCount, nextAction;
static const unsigned long* framesFlipped; /* game_script's */
static SDL_JoystickID padId;

#define SDL2_FUNCTIONS(X)                                                                                   \
    X(SDL_InitSubSystem) X(SDL_JoystickAttachVirtualEx) X(SDL_JoystickGetDeviceInstanceID)                \
    X(SDL_JoystickFromInstanceID)                                                                          \
    X(SDL_IsGameController) X(SDL_JoystickSetVirtualButton) X(SDL_JoystickSetVirtualAxis) X(SDL_GetError)
#define DECLARE(name) static __typeof__(name)* sdl2_##name;
SDL2_FUNCTIONS(DECLARE)

static void fail(const char* what, const char* detail)
{
    fprintf(stderr, "virtual_pad: %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
    exit(3);
}

/* The joystick button of a controller button: the declared buttons below it
 * come first. */
static int buttonNamed(const char* name)
{
    static const struct { const char* name; int button; } buttons[] = {
        {"south", SDL_CONTROLLER_BUTTON_A}, {"east", SDL_CONTROLLER_BUTTON_B},
        {"west", SDL_CONTROLLER_BUTTON_X}, {"north", SDL_CONTROLLER_BUTTON_Y},
        {"back", SDL_CONTROLLER_BUTTON_BACK}, {"start", SDL_CONTROLLER_BUTTON_START},
        {"up", SDL_CONTROLLER_BUTTON_DPAD_UP}, {"down", SDL_CONTROLLER_BUTTON_DPAD_DOWN},
    };
    for (size_t i = 0; i < sizeof buttons / sizeof buttons[0]; ++i)
        if (!strcmp(name, buttons[i].name))
            return __builtin_popcount(BUTTONS & ((1u << buttons[i].button) - 1));
    fail("no such button", name);
    return -1;
}

static void readScript(const char* file)
{
    FILE* in = fopen(file, "r");
    if (!in)
        fail("cannot read", file);
    char verb[16], what[16];
    unsigned long frame;
    while (fscanf(in, "%lu %15s %15s", &frame, verb, what) == 3) {
        if (actionCount == (int)(sizeof actions / sizeof actions[0]))
            fail("too many actions in", file);
        struct Action* action = &actions[actionCount++];
        action->frame = frame;
        if (!strcmp(verb, "press") || !strcmp(verb, "release")) {
            action->kind = verb[0] == 'p' ? PRESS : RELEASE;
            action->value = buttonNamed(what);
        } else if (!strcmp(verb, "lefty")) {
            action->kind = LEFTY;
            action->value = atoi(what);
        } else {
            fail("no such action", verb);
        }
    }
    if (!feof(in))
        fail("cannot parse", file);
    fclose(in);
}

/* SDL 2 calls this whenever it reads the pad, while someone has it open,
 * before it reports what changed. The layer opens it afresh when it starts
 * up, so it is found anew each time. */
static void update(void* userdata)
{
    (void)userdata;
    SDL_Joystick* pad = sdl2_SDL_JoystickFromInstanceID(padId);
    if (!pad)
        return;
    const unsigned long frame = framesFlipped ? *framesFlipped : 0;
    for (; nextAction < actionCount && actions[nextAction].frame <= frame; ++nextAction) {
        const struct Action* action = &actions[nextAction];
        switch (action->kind) {
        case PRESS: case RELEASE:
            sdl2_SDL_JoystickSetVirtualButton(pad, action->value, action->kind == PRESS);
            break;
        case LEFTY:
            sdl2_SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, (Sint16)action->value);
            break;
        }
    }
}

__attribute__((constructor)) static void attach(void)
{
    const char* script = getenv("VLIM_PAD_SCRIPT");
    if (!script || !*script)
        return;
    readScript(script);
    framesFlipped = dlsym(RTLD_DEFAULT, "framesFlipped");
    if (!framesFlipped)
        fail("game_script is not loaded", NULL);

    /* The same SDL 2 that the layer loads. */
    void* sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!sdl2)
        fail("cannot load SDL 2", dlerror());
#define LOAD(name) \
    if (!(sdl2_##name = (__typeof__(name)*)dlsym(sdl2, #name))) fail("SDL 2 has no", #name);
    SDL2_FUNCTIONS(LOAD)

    if (sdl2_SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
        fail("SDL 2's joysticks", sdl2_SDL_GetError());
    SDL_VirtualJoystickDesc desc;
    memset(&desc, 0, sizeof desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = (Uint16)__builtin_popcount(BUTTONS);
    desc.button_mask = BUTTONS;
    desc.axis_mask = AXES;
    desc.name = "Virtual pad";
    desc.Update = update;
    const int index = sdl2_SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0)
        fail("cannot attach a virtual joystick", sdl2_SDL_GetError());
    if (!sdl2_SDL_IsGameController(index))
        fail("SDL 2 has no controller mapping for the virtual pad", NULL);
    padId = sdl2_SDL_JoystickGetDeviceInstanceID(index);
}
