// How another process works the emulator's paddle (tests, the demo, an operator's script).
//
// While the device is open, the emulator keeps a hidden top-level window of the class below,
// owned by its keying thread, titled "keyport emulator <process id>". A sender finds it with
// FindWindowA(KEYPORT_CONTROL_CLASS, NULL) (or by the title, when several programs have the
// emulator loaded) and sends it WM_COPYDATA; dwData names the command, lpData/cbData carry the
// bytes. The window answers 1 when it took the input and 0 when it refused it (unknown command,
// empty or malformed data). WM_COPYDATA is sent, not posted, so the sender knows the answer, and
// the system copies the data across the process boundary; this works the same under Wine.
//
// Each paddle character is keyed with the side tone as set; when it has been keyed the emulator
// posts a keyer report whose wParam low byte is its Morse code byte. If a message was being keyed
// the paddle breaks in first: the buffer is dropped and a report of 15 is posted.
//
// sim/keyport/keyport_paddle.cpp is a small command-line sender built beside the emulator.
#pragma once

#define KEYPORT_CONTROL_CLASS "KeyportEmulator"
#define KEYPORT_CONTROL_TITLE_PREFIX "keyport emulator "

enum KeyportControlCommand {
    // Characters as the operator means them: each byte with a pattern (letters, digits, the
    // punctuation of the code table, half-width kana, space for a word space) is one character.
    KEYPORT_CTL_PADDLE_TEXT = 1,
    // Paddle contacts: '.' is the dot paddle, '-' the dash paddle; groups separated by spaces are
    // one character each. With paddle reverse set, the two paddles swap, as on the real key.
    KEYPORT_CTL_PADDLE_CONTACTS = 2,
    // Morse code bytes, one character each.
    KEYPORT_CTL_PADDLE_CODES = 3,
};
