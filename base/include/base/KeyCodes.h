// Windows virtual-key codes: the index space of the key state array. Modules
// read keys by these codes, so scripts and modules written for them work.
#pragma once

namespace vk {
inline constexpr int backspace = 8, tab = 9, enter = 13, shift = 16, control = 17, alt = 18,
                     pause = 19, capsLock = 20, escape = 27, space = 32, pageUp = 33, pageDown = 34,
                     end = 35, home = 36, left = 37, up = 38, right = 39, down = 40, insert = 45,
                     del = 46, digit0 = 48, letterA = 65, numpad0 = 96, multiply = 106, add = 107,
                     subtract = 109, decimal = 110, divide = 111, f1 = 112, f12 = 123,
                     numLock = 144, scrollLock = 145, semicolon = 186, plus = 187, comma = 188,
                     minus = 189, period = 190, slash = 191, backquote = 192, bracketLeft = 219,
                     backslash = 220, bracketRight = 221, quote = 222;
// The letters that fly a scene's free camera (every letter is letterA + its
// place in the alphabet), and the authoring keys: O the overlay, P pause.
inline constexpr int letterD = 68, letterI = 73, letterO = 79, letterP = 80, letterS = 83,
                     letterU = 85, letterW = 87;
}  // namespace vk
