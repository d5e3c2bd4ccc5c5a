// Keyboard keys between the window system's scancodes (USB HID usage
// numbers) and PC set-1 scan codes, which the rest of the program uses.
// Extended (E0-prefixed) keys carry bit 8, so 0x1C is Enter and 0x11C is the
// keypad Enter. Pause, which has no single set-1 code, is 0x145. A key event's
// code is EVENT_KEY_BASE plus the set-1 code.
#pragma once

// Set-1 code for a scancode; 0 when the key has none.
int keymap_set1_from_sdl(int sdl_scancode);
// Scancode for a set-1 code; 0 (the unknown scancode) when there is none.
int keymap_sdl_from_set1(int set1);
