// Keyboard and joystick events onto the game's buttons, by the tables.
#include "platform/sdl/SdlInput.h"

#include <initializer_list>

namespace {

// The game's events that one SDL event makes, written in order.
struct Press {
    InputEvent* out;
    int count;

    void emit(InputEvent::Type type, GameButton button) { out[count++] = {type, button}; }

    // Steering is passed on only on a change of the input's own state.
    void steer(bool down, bool& held, GameButton button)
    {
        if (down == held)
            return;
        held = down;
        emit(down ? InputEvent::Pressed : InputEvent::Released, button);
    }
};

bool steers(GameButton button)
{
    return button == GameButton::Up || button == GameButton::Down;
}

// A key or button of table going down or up.
void bindingEvent(Press& p, const ButtonTable& table, int code, bool down, uint32_t& held)
{
    for (int i = 0; i < table.count; ++i) {
        if (table.bindings[i].code != code)
            continue;
        const GameButton button = table.bindings[i].button;
        if (steers(button)) {
            bool isHeld = (held >> i) & 1u;
            p.steer(down, isHeld, button);
            held = (held & ~(1u << i)) | (uint32_t(isHeld) << i);
        } else {
            p.emit(down ? InputEvent::Pressed : InputEvent::Released, button);
        }
        return;
    }
}

// Past half-way up holds Up, past half-way down Down, anything nearer the
// middle neither; a release comes before a press.
void stickMoved(Press& p, HeldInputs& held, Sint16 value)
{
    const int half = 16384;
    if (value < -half) {
        p.steer(false, held.stickDown, GameButton::Down);
        p.steer(true, held.stickUp, GameButton::Up);
    } else if (value > half) {
        p.steer(false, held.stickUp, GameButton::Up);
        p.steer(true, held.stickDown, GameButton::Down);
    } else {
        p.steer(false, held.stickUp, GameButton::Up);
        p.steer(false, held.stickDown, GameButton::Down);
    }
}

HeldInputs heldInputs;
InputEvent pending[2];
int pendingCount = 0, pendingNext = 0;

}  // namespace

int translateEvent(const SDL_Event& event, const ButtonTable& joystick, HeldInputs& held, InputEvent out[2])
{
    Press p = {out, 0};
    switch (event.type) {
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_c && (event.key.keysym.mod & KMOD_CTRL))
            p.emit(InputEvent::Quit, GameButton::Up);
        else
            bindingEvent(p, KEYBOARD_BUTTONS, event.key.keysym.sym, true, held.keys);
        break;
    case SDL_KEYUP:
        bindingEvent(p, KEYBOARD_BUTTONS, event.key.keysym.sym, false, held.keys);
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        bindingEvent(p, joystick, event.jbutton.button, event.type == SDL_JOYBUTTONDOWN, held.buttons);
        break;
    case SDL_JOYAXISMOTION:
        if (joystick.stickAxis >= 0 && event.jaxis.axis == joystick.stickAxis)
            stickMoved(p, held, event.jaxis.value);
        break;
    case SDL_ACTIVEEVENT:
        if (!event.active.gain && (event.active.state & SDL_APPINPUTFOCUS)) {
            held = HeldInputs();
            p.emit(InputEvent::FocusLost, GameButton::Up);
        }
        break;
    case SDL_QUIT:
        p.emit(InputEvent::Quit, GameButton::Up);
        break;
    default:
        break;
    }
    return p.count;
}

bool pollInputEvent(InputEvent& event)
{
    // One SDL event may make two of the game's: the second waits here.
    if (pendingNext < pendingCount) {
        event = pending[pendingNext++];
        return true;
    }
    SDL_Event sdlEvent;
    while (SDL_PollEvent(&sdlEvent)) {
        pendingCount = translateEvent(sdlEvent, buildJoystickTable(), heldInputs, pending);
        pendingNext = 0;
        if (pendingCount > 0) {
            event = pending[pendingNext++];
            return true;
        }
    }
    return false;
}

void ignoreUnreadEvents(const ButtonTable& joystick)
{
    for (auto type : {SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP, SDL_JOYAXISMOTION,
                      SDL_JOYBALLMOTION, SDL_JOYHATMOTION}) {
        // The stick a table steers with is read; with none, its motion is
        // as unread as the rest.
        if (type == SDL_JOYAXISMOTION && joystick.stickAxis >= 0)
            continue;
        SDL_EventState(static_cast<Uint8>(type), SDL_IGNORE);
    }
}
