// SDL 1.2's keyboard and joystick events as the game's input events.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "platform/Platform.h"
#include "platform/sdl/ButtonTables.h"

// The steering inputs that are down as the game was told, by their place in
// their table: the game counts Up and Down, so each input may hold one only
// once, and a release whose press never reached the game (it went to
// another window) must not reach it either.
struct HeldInputs {
    uint32_t keys = 0;     // bit i: KEYBOARD_BUTTONS' binding i
    uint32_t buttons = 0;  // bit i: the joystick table's binding i
    bool stickUp = false, stickDown = false;
};

// Turns one SDL event into the game's events: none for an event the game
// does not read, two for a stick that swings from past half-way up to past
// half-way down (a release, then a press). Returns how many it wrote to out.
int translateEvent(const SDL_Event& event, const ButtonTable& joystick, HeldInputs& held, InputEvent out[2]);

// Keeps the events translateEvent never reads (mouse, hats, balls, and
// joystick axes unless the table steers with a stick) out of SDL's queue,
// where a flood of them could push out a key's release. The classic library
// empties the whole queue on each of these calls, so call it before the
// video mode is set, while nothing is queued that a player pressed.
void ignoreUnreadEvents(const ButtonTable& joystick);
