// Names for the framework's key codes: the one 512-code space that
// vx_input_KeyDown and vx_input_KeyHit read, the same on every platform. These
// are not GLFW's or the browser's key numbers: the host translates those.
// Relies on the key-space layout in input/input_device.h.
#pragma once

#include "input/input_device.h"

// Mouse buttons.
constexpr int kKeyMouseLeft = kKeyMouseFirst;
constexpr int kKeyMouseRight = kKeyMouseFirst + 1;
constexpr int kKeyMouseMiddle = kKeyMouseFirst + 2;

// Keyboard. Left and right Shift (and Control) give the same code; Alt and
// the system keys give none.
constexpr int kKeyBackspace = 8;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyShift = 16;
constexpr int kKeyControl = 17;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyPageUp = 33;
constexpr int kKeyPageDown = 34;
constexpr int kKeyEnd = 35;
constexpr int kKeyHome = 36;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
constexpr int kKeyInsert = 45;
constexpr int kKeyDelete = 46;

// Digits and letters are their characters' codes ('0'..'9', 'A'..'Z').
constexpr int kKey0 = '0', kKey1 = '1', kKey2 = '2', kKey3 = '3', kKey4 = '4';
constexpr int kKey5 = '5', kKey6 = '6', kKey7 = '7', kKey8 = '8', kKey9 = '9';
constexpr int kKeyA = 'A', kKeyB = 'B', kKeyC = 'C', kKeyD = 'D', kKeyE = 'E', kKeyF = 'F', kKeyG = 'G';
constexpr int kKeyH = 'H', kKeyI = 'I', kKeyJ = 'J', kKeyK = 'K', kKeyL = 'L', kKeyM = 'M', kKeyN = 'N';
constexpr int kKeyO = 'O', kKeyP = 'P', kKeyQ = 'Q', kKeyR = 'R', kKeyS = 'S', kKeyT = 'T', kKeyU = 'U';
constexpr int kKeyV = 'V', kKeyW = 'W', kKeyX = 'X', kKeyY = 'Y', kKeyZ = 'Z';

// The keypad: digits 0..9 run from kKeyPad0 to 105.
constexpr int kKeyPad0 = 96;
constexpr int kKeyPadMultiply = 106;
constexpr int kKeyPadAdd = 107;
constexpr int kKeyPadSubtract = 109;
constexpr int kKeyPadDecimal = 110;
constexpr int kKeyPadDivide = 111;

// Function keys F1..F12 run on from F1's code.
constexpr int kKeyF1 = 112, kKeyF2 = 113, kKeyF3 = 114, kKeyF4 = 115, kKeyF5 = 116, kKeyF6 = 117;
constexpr int kKeyF7 = 118, kKeyF8 = 119, kKeyF9 = 120, kKeyF10 = 121, kKeyF11 = 122, kKeyF12 = 123;

// Punctuation, by the unshifted character of a US layout.
constexpr int kKeySemicolon = 186;
constexpr int kKeyEquals = 187;
constexpr int kKeyComma = 188;
constexpr int kKeyMinus = 189;
constexpr int kKeyPeriod = 190;
constexpr int kKeySlash = 191;
constexpr int kKeyBackquote = 192;  // also the tilde key
constexpr int kKeyOpenBracket = 219;
constexpr int kKeyBackslash = 220;
constexpr int kKeyCloseBracket = 221;
constexpr int kKeyQuote = 222;

// The code of button `button` (0..31) of joystick pad `pad` (0..3), for
// vx_input_KeyDown and vx_input_KeyHit; vx_input_JoyDown(button, pad) reads
// the same state.
constexpr int vx_input_JoyKey(int button, int pad) { return kKeyJoyFirst + kJoyButtonsPerPad * pad + button; }

// Finger `finger` (0..127) of a touch screen; finger 0 is also the left
// mouse button.
constexpr int vx_input_TouchKey(int finger) { return kKeyTouchFirst + finger; }

// Codes the host sends itself: the window's close button and a back action.
// c_App answers both by ending the program.
constexpr int kKeyBack = 416;
constexpr int kKeyClose = 432;
