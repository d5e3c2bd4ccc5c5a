#include "platform/message_box.h"

#include <SDL2/SDL.h>

#include <cstdarg>
#include <cstdlib>
#include <cstdio>

// A real box needs a display; without one the text goes to standard error only.
static bool message_box_sdl(const char* caption, const char* text) {
  const char* x = getenv("DISPLAY");
  const char* wl = getenv("WAYLAND_DISPLAY");
  if ((!x || !*x) && (!wl || !*wl)) return false;
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0;
}

static MessageBoxShow message_box_show = message_box_sdl;

void message_box_set_backend(MessageBoxShow show) { message_box_show = show; }

void message_box(const char* caption, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  // Standard error always gets the text too: a box may go unseen, and a
  // terminal or a log of the session keeps it.
  fprintf(stderr, "%s: %s", caption, text);
  fflush(stderr);
  if (message_box_show) message_box_show(caption, text);
}
