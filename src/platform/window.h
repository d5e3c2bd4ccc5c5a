// The window with its OpenGL context, display modes and the input event queue.
// One window per process. Without a display nothing opens and the program
// runs headless where it can.
#pragma once
#include <cstdint>

#include "platform/clock.h"
#include "platform/event_queue.h"

struct Window;  // opaque

// What frame_begin hands the caller while it may draw.
struct Drawable {
  void* pixels = nullptr;  // none with a GL context
  int width = 0, height = 0;  // drawable size in pixels
  int pitch = 0;           // 0 with a GL context
};

struct DisplayMode {
  int width, height, bits;  // all zero ends the list
};

enum { WINDOW_FULLSCREEN = 0x200 };  // mode flag: full-screen

// Opens the window and makes its GL context current. The low byte of
// mode_flags is the colour depth (32 is asked for as 24); a size of 0 x 0
// means the desktop's size. Returns none (after logging why) on failure.
Window* window_open(const char* title, int width, int height, int mode_flags, int alpha_bits, int depth_bits,
                    int stencil_bits, int accum_bits);
void window_close(Window* w);
// Begins a frame: none when the window cannot be drawn (minimised, hidden or
// switching modes). Holds the drawable lock until frame_end.
bool frame_begin(Window* w, Drawable& out);
// Swaps the buffers and releases the drawable lock; false when no swap happened.
bool frame_end(Window* w);
// Asks for full-screen (WINDOW_FULLSCREEN) at width x height, or a window of
// that client size; done when the window's messages are next handled.
int window_set_mode(Window* w, int width, int height, int mode_flags);
bool window_is_fullscreen(Window* w);
// Display modes, the desktop's first; ends with an all-zero entry.
const DisplayMode* display_modes();
// Picks the full-screen mode for a request (smallest width + height that
// covers it, first of equals), or the desktop size when none does.
DisplayMode display_mode_choose(const DisplayMode* modes, int width, int height, DisplayMode desktop);

// Oldest queued event (window messages are handled first), or none.
bool event_poll(Window* w, InputEvent& out);
// Oldest queued event if stamped at or before t, or none.
bool event_wait_until(Window* w, ClockTime t, InputEvent& out);
// The queue itself, for the input devices and for tests.
EventQueue& window_events(Window* w);

// The window's input devices (input.h), found when it opened.
struct InputDevices;
InputDevices* window_devices(Window* w);

// Last known pointer position in window pixels.
void window_cursor(Window* w, int& x, int& y);
