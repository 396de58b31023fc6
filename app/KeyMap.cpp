#include "KeyMap.h"

#include "base/KeyCodes.h"

int virtualKeyFor(SDL_Keycode key, SDL_Scancode scancode) {
    // Letters and digits follow the keyboard layout, as virtual keys do.
    if (key >= SDLK_a && key <= SDLK_z) return vk::letterA + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return vk::digit0 + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return vk::f1 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return vk::f12 + 1 + (key - SDLK_F13);

    switch (scancode) {
    case SDL_SCANCODE_KP_0: return vk::numpad0;
    case SDL_SCANCODE_KP_1:
    case SDL_SCANCODE_KP_2:
    case SDL_SCANCODE_KP_3:
    case SDL_SCANCODE_KP_4:
    case SDL_SCANCODE_KP_5:
    case SDL_SCANCODE_KP_6:
    case SDL_SCANCODE_KP_7:
    case SDL_SCANCODE_KP_8:
    case SDL_SCANCODE_KP_9: return vk::numpad0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    case SDL_SCANCODE_KP_MULTIPLY: return vk::multiply;
    case SDL_SCANCODE_KP_PLUS: return vk::add;
    case SDL_SCANCODE_KP_MINUS: return vk::subtract;
    case SDL_SCANCODE_KP_PERIOD: return vk::decimal;
    case SDL_SCANCODE_KP_DIVIDE: return vk::divide;
    case SDL_SCANCODE_KP_ENTER: return vk::enter;
    default: break;
    }

    switch (key) {
    case SDLK_BACKSPACE: return vk::backspace;
    case SDLK_TAB: return vk::tab;
    case SDLK_RETURN: return vk::enter;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return vk::shift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return vk::control;
    case SDLK_LALT:
    case SDLK_RALT: return vk::alt;
    case SDLK_PAUSE: return vk::pause;
    case SDLK_CAPSLOCK: return vk::capsLock;
    case SDLK_ESCAPE: return vk::escape;
    case SDLK_SPACE: return vk::space;
    case SDLK_PAGEUP: return vk::pageUp;
    case SDLK_PAGEDOWN: return vk::pageDown;
    case SDLK_END: return vk::end;
    case SDLK_HOME: return vk::home;
    case SDLK_LEFT: return vk::left;
    case SDLK_UP: return vk::up;
    case SDLK_RIGHT: return vk::right;
    case SDLK_DOWN: return vk::down;
    case SDLK_INSERT: return vk::insert;
    case SDLK_DELETE: return vk::del;
    case SDLK_NUMLOCKCLEAR: return vk::numLock;
    case SDLK_SCROLLLOCK: return vk::scrollLock;
    case SDLK_SEMICOLON: return vk::semicolon;
    case SDLK_EQUALS: return vk::plus;
    case SDLK_COMMA: return vk::comma;
    case SDLK_MINUS: return vk::minus;
    case SDLK_PERIOD: return vk::period;
    case SDLK_SLASH: return vk::slash;
    case SDLK_BACKQUOTE: return vk::backquote;
    case SDLK_LEFTBRACKET: return vk::bracketLeft;
    case SDLK_BACKSLASH: return vk::backslash;
    case SDLK_RIGHTBRACKET: return vk::bracketRight;
    case SDLK_QUOTE: return vk::quote;
    default: break;
    }

    // Letters on layouts whose key codes are not ASCII: use the key's place.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return vk::letterA + (scancode - SDL_SCANCODE_A);
    return -1;
}
