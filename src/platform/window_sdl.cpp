// The window on SDL2: a compatibility OpenGL context, display modes, and the
// translation of SDL's events into the program's time-stamped input events.
#include "platform/window.h"

#include "platform/input.h"
#include "platform/keymap.h"
#include "platform/log.h"
#include "platform/options.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

struct Window {
  std::string title;              // private copy of the title
  int width = 0, height = 0;      // requested client size
  int colour_bits = 16;           // colour bits asked for
  bool fullscreen_allowed = true; // mode switches are obeyed
  bool threaded = false;          // "threaded" option (accepted, logged; SDL wants video on the main thread)
  bool fullscreen = false;        // currently full-screen
  int fullscreen_width = 0, fullscreen_height = 0;  // mode chosen by the last full-screen switch
  SDL_Window* sdl = nullptr;
  SDL_GLContext gl = nullptr;
  std::mutex drawable_lock;       // held from frame_begin to frame_end
  bool busy = false;              // a mode switch is running
  EventQueue events;              // time-stamped input events
  int64_t sdl_to_clock_ms = 0;    // add to SDL ticks to get clock_millis
  int client_width = 0, client_height = 0;  // last known drawable size
  int pending_mode = 0;           // 0 none, 1 full-screen, 2 windowed
  int pending_width = 0, pending_height = 0;
  int cursor_x = 0, cursor_y = 0; // last pointer position
  InputDevices* devices = nullptr; // game controllers, joysticks and the cursor
};

static std::vector<DisplayMode> mode_list;
static bool modes_built = false;
static DisplayMode desktop_mode{640, 480, 24};

// Whether a display can be reached. Without one SDL would fall back to an
// off-screen driver and the program would run with a window nobody sees.
static bool display_available() {
  const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
  for (const char* n : names) {
    const char* v = getenv(n);
    if (v && *v) return true;
  }
  return false;
}

static bool video_start() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  if (!display_available()) {
    log_message("No display to open a window on\n");
    return false;
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    log_message("Can't open the display: %s\n", SDL_GetError());
    return false;
  }
  return true;
}

static bool mode_depth_ok(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

static void build_display_modes() {
  if (modes_built) return;
  modes_built = true;
  SDL_DisplayMode dm;
  if (SDL_GetDesktopDisplayMode(0, &dm) == 0) {
    int bits = int(SDL_BITSPERPIXEL(dm.format));
    desktop_mode = DisplayMode{dm.w, dm.h, bits};
    if (mode_depth_ok(bits)) {
      log_message("Registry mode is %dx%dx%d@%dhz\n", dm.w, dm.h, bits, dm.refresh_rate);
      mode_list.push_back(desktop_mode);
    } else {
      log_message("Registry mode is %dx%dx%d@%dhz (ignored)\n", dm.w, dm.h, bits, dm.refresh_rate);
    }
  }
  int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    if (SDL_GetDisplayMode(0, i, &dm) != 0) continue;
    int bits = int(SDL_BITSPERPIXEL(dm.format));
    bool seen = std::any_of(mode_list.begin(), mode_list.end(), [&](const DisplayMode& m) {
      return m.width == dm.w && m.height == dm.h && m.bits == bits;
    });
    if (seen) continue;
    if (!mode_depth_ok(bits)) {
      log_message("Found mode %dx%dx%d@%dhz (ignored)\n", dm.w, dm.h, bits, dm.refresh_rate);
      continue;
    }
    log_message("Found mode %dx%dx%d@%dhz\n", dm.w, dm.h, bits, dm.refresh_rate);
    mode_list.push_back(DisplayMode{dm.w, dm.h, bits});
  }
  mode_list.push_back(DisplayMode{0, 0, 0});
}

const DisplayMode* display_modes() {
  if (!modes_built) {
    if (!video_start()) {
      static const DisplayMode none[1] = {{0, 0, 0}};
      return none;
    }
    build_display_modes();
  }
  return mode_list.data();
}

DisplayMode display_mode_choose(const DisplayMode* modes, int width, int height, DisplayMode desktop) {
  if (width == 0 || height == 0) return desktop;
  const DisplayMode* best = nullptr;
  for (const DisplayMode* m = modes; m->width || m->height; ++m)
    if (m->width >= width && m->height >= height && (!best || m->width + m->height < best->width + best->height))
      best = m;
  return best ? *best : desktop;
}

static ClockTime stamp_from_sdl(Window* w, uint32_t sdl_ticks) {
  int64_t ms = int64_t(sdl_ticks) + w->sdl_to_clock_ms;
  // SDL's 32-bit stamps wrap; never stamp an event later than now.
  int64_t now = clock_millis();
  if (ms > now || ms < now - 60000) ms = now;
  return ClockTime{ms / 1000, int32_t(ms % 1000) * 1000};
}

static void queue_event(Window* w, uint32_t code, bool pressed, ClockTime t) {
  event_queue_push(w->events, code, pressed, t);
}

// Control characters that typed text does not carry.
static int control_character(SDL_Keycode key) {
  switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    case SDLK_DELETE: return 127;
    default: return -1;
  }
}

// Queues each character of UTF-8 text that fits in one byte (Latin-1).
static void queue_text(Window* w, const char* text, ClockTime t) {
  const unsigned char* p = (const unsigned char*)text;
  while (*p) {
    uint32_t cp;
    int extra;
    if (*p < 0x80) { cp = *p; extra = 0; }
    else if ((*p & 0xE0) == 0xC0) { cp = *p & 0x1F; extra = 1; }
    else if ((*p & 0xF0) == 0xE0) { cp = *p & 0x0F; extra = 2; }
    else if ((*p & 0xF8) == 0xF0) { cp = *p & 0x07; extra = 3; }
    else { ++p; continue; }
    ++p;
    bool ok = true;
    for (int i = 0; i < extra; ++i, ++p) {
      if ((*p & 0xC0) != 0x80) { ok = false; break; }
      cp = cp << 6 | (*p & 0x3F);
    }
    if (ok && cp < 256 && cp >= 32 && cp != 127) queue_event(w, cp, true, t);
  }
}

static void switch_fullscreen(Window* w, int width, int height) {
  if (!w->fullscreen_allowed) return;
  const DisplayMode* modes = display_modes();
  DisplayMode m = display_mode_choose(modes, width, height, desktop_mode);
  w->fullscreen_width = m.width;
  w->fullscreen_height = m.height;
  if (m.width == desktop_mode.width && m.height == desktop_mode.height) {
    SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_DisplayMode want{}, got{};
    want.w = m.width;
    want.h = m.height;
    if (SDL_GetClosestDisplayMode(0, &want, &got)) SDL_SetWindowDisplayMode(w->sdl, &got);
    SDL_SetWindowFullscreen(w->sdl, SDL_WINDOW_FULLSCREEN);
  }
  w->fullscreen = true;
}

static void switch_windowed(Window* w, int width, int height) {
  w->fullscreen = false;
  SDL_SetWindowFullscreen(w->sdl, 0);
  if (width == 0 || height == 0) {
    width = desktop_mode.width;
    height = desktop_mode.height;
  }
  SDL_SetWindowSize(w->sdl, width, height);
  SDL_SetWindowPosition(w->sdl, 0, 0);
}

static void run_pending_mode(Window* w) {
  if (!w->pending_mode) return;
  int mode = w->pending_mode;
  w->pending_mode = 0;
  {
    std::lock_guard<std::mutex> guard(w->drawable_lock);
    w->busy = true;
  }
  if (mode == 1) switch_fullscreen(w, w->pending_width, w->pending_height);
  else switch_windowed(w, w->pending_width, w->pending_height);
  std::lock_guard<std::mutex> guard(w->drawable_lock);
  w->busy = false;
}

// Handles every pending SDL event, queueing input events.
static void pump_messages(Window* w) {
  run_pending_mode(w);
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    ClockTime t = stamp_from_sdl(w, e.common.timestamp);
    switch (e.type) {
      case SDL_QUIT:  // also what SIGINT and SIGTERM become
        queue_event(w, EVENT_WINDOW_CLOSE, true, t);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          queue_event(w, EVENT_WINDOW_CLOSE, true, t);
        } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          int dw = 0, dh = 0;
          SDL_GL_GetDrawableSize(w->sdl, &dw, &dh);
          {
            std::lock_guard<std::mutex> guard(w->drawable_lock);
            w->client_width = dw;
            w->client_height = dh;
          }
          log_message("WM_SIZE message %dx%d\n", dw, dh);
        }
        break;
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        bool down = e.type == SDL_KEYDOWN;
        int set1 = keymap_set1_from_sdl(e.key.keysym.scancode);
        if (set1) queue_event(w, EVENT_KEY_BASE + uint32_t(set1), down, t);
        int c = down ? control_character(e.key.keysym.sym) : -1;
        if (c >= 0) queue_event(w, uint32_t(c), true, t);
        break;
      }
      case SDL_TEXTINPUT:
        queue_text(w, e.text.text, t);
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        uint32_t code = e.button.button == SDL_BUTTON_LEFT     ? EVENT_MOUSE_LEFT
                        : e.button.button == SDL_BUTTON_MIDDLE ? EVENT_MOUSE_MIDDLE
                        : e.button.button == SDL_BUTTON_RIGHT  ? EVENT_MOUSE_RIGHT
                                                               : 0;
        if (code) queue_event(w, code, e.type == SDL_MOUSEBUTTONDOWN, t);
        w->cursor_x = e.button.x;
        w->cursor_y = e.button.y;
        input_set_cursor(w->devices, w->cursor_x, w->cursor_y);
        break;
      }
      case SDL_MOUSEMOTION:
        w->cursor_x = e.motion.x;
        w->cursor_y = e.motion.y;
        input_set_cursor(w->devices, w->cursor_x, w->cursor_y);
        break;
      // Hot plug. A controller sends both kinds; the second finds it known.
      case SDL_JOYDEVICEADDED:
        devices_added(w->devices, e.jdevice.which);
        break;
      case SDL_CONTROLLERDEVICEADDED:
        devices_added(w->devices, e.cdevice.which);
        break;
      case SDL_JOYDEVICEREMOVED:
        devices_removed(w->devices, e.jdevice.which);
        break;
      case SDL_CONTROLLERDEVICEREMOVED:
        devices_removed(w->devices, e.cdevice.which);
        break;
      default:
        break;
    }
  }
}

static bool set_gl_attributes(int colour_bits, int alpha_bits, int depth_bits, int stencil_bits, int accum_bits) {
  int r = 8, g = 8, b = 8;
  if (colour_bits <= 16) {
    r = 5;
    g = colour_bits == 15 ? 5 : 6;
    b = 5;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, r);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, g);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, b);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alpha_bits);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth_bits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil_bits);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum_bits / 4);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  // The renderer is GL 1.x with extensions: no core profile.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  return true;
}

Window* window_open(const char* title, int width, int height, int mode_flags, int alpha_bits, int depth_bits,
                    int stencil_bits, int accum_bits) {
  static bool options_logged = false;
  bool threaded = option_bool("threaded", 0) != 0;
  if (!options_logged) {
    options_logged = true;
    log_message("Options:\n");
    log_message("%10s [%s]\n", "threaded:", threaded ? "on" : "off");
  }
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  if (!video_start()) {
    log_error("Can't create window!\n");
    return nullptr;
  }
  build_display_modes();
  Window* w = new Window;
  w->title = title ? title : "";
  w->colour_bits = (mode_flags & 0xFF) == 32 ? 24 : (mode_flags & 0xFF);
  if (w->colour_bits == 0) w->colour_bits = 24;
  w->threaded = threaded;
  bool fullscreen = (mode_flags & WINDOW_FULLSCREEN) != 0;
  if (width == 0 || height == 0) {
    width = desktop_mode.width;
    height = desktop_mode.height;
  }
  w->width = width;
  w->height = height;
  w->sdl_to_clock_ms = clock_millis() - int64_t(SDL_GetTicks64());

  log_message("Choosing pixel format\n");
  set_gl_attributes(w->colour_bits, alpha_bits, depth_bits, stencil_bits, accum_bits);
  log_message("Creating window\n");
  w->sdl = SDL_CreateWindow(w->title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                            SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!w->sdl) {
    log_message("No suitable pixel formats found\n");
    log_error("Can't create window!\n");
    log_message("SDL: %s\n", SDL_GetError());
    delete w;
    return nullptr;
  }
  // The devices' button events go to this window's queue. The joystick
  // subsystem is started (and stopped) by the device list itself, so a
  // machine without joystick support still gets its window.
  w->devices = input_devices_create(&w->events);
  log_message("Setting pixel format %d\n", int(SDL_GetWindowPixelFormat(w->sdl)));
  log_message("Creating OpenGL context\n");
  w->gl = SDL_GL_CreateContext(w->sdl);
  if (!w->gl) {
    log_message("Couldn't create OpenGL context\n");
    log_message("SDL: %s\n", SDL_GetError());
    devices_close(w->devices);
    SDL_DestroyWindow(w->sdl);
    delete w;
    return nullptr;
  }
  SDL_GL_MakeCurrent(w->sdl, w->gl);
  SDL_GL_SetSwapInterval(0);  // the main loop paces frames itself
  if (fullscreen) switch_fullscreen(w, width, height);
  SDL_ShowWindow(w->sdl);
  SDL_RaiseWindow(w->sdl);
  SDL_StartTextInput();
  SDL_GL_GetDrawableSize(w->sdl, &w->client_width, &w->client_height);
  return w;
}

void window_close(Window* w) {
  if (!w) return;
  if (w->gl) {
    log_message("Deleting OpenGL context\n");
    SDL_GL_MakeCurrent(w->sdl, nullptr);
    SDL_GL_DeleteContext(w->gl);
  }
  if (w->devices) {
    log_message("Closing input devices\n");
    devices_close(w->devices);
    w->devices = nullptr;
  }
  log_message("Destroying window\n");
  SDL_DestroyWindow(w->sdl);
  log_message("Window shutdown complete\n");
  delete w;
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool frame_begin(Window* w, Drawable& out) {
  if (!w || !w->gl) return false;
  uint32_t flags = SDL_GetWindowFlags(w->sdl);
  if (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) return false;
  w->drawable_lock.lock();
  if (w->busy) {
    w->drawable_lock.unlock();
    return false;
  }
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(w->sdl, &dw, &dh);
  if (dw <= 0 || dh <= 0) {
    dw = w->client_width;
    dh = w->client_height;
  }
  out = Drawable{nullptr, dw, dh, 0};
  return true;
}

bool frame_end(Window* w) {
  if (!w || !w->gl) return false;
  SDL_GL_SwapWindow(w->sdl);
  w->drawable_lock.unlock();
  return true;
}

int window_set_mode(Window* w, int width, int height, int mode_flags) {
  w->pending_mode = (mode_flags & WINDOW_FULLSCREEN) ? 1 : 2;
  w->pending_width = width;
  w->pending_height = height;
  return 1;
}

bool window_is_fullscreen(Window* w) { return w && w->fullscreen; }

// With nothing to take, the devices whose buttons are bound are polled and
// the queue is tried once more.
bool event_poll(Window* w, InputEvent& out) {
  pump_messages(w);
  if (event_queue_pop(w->events, out)) return true;
  devices_poll(w->devices);
  return event_queue_pop(w->events, out);
}

bool event_wait_until(Window* w, ClockTime t, InputEvent& out) {
  pump_messages(w);
  if (event_queue_pop_until(w->events, t, out)) return true;
  devices_poll(w->devices);
  return event_queue_pop_until(w->events, t, out);
}

EventQueue& window_events(Window* w) { return w->events; }

void window_cursor(Window* w, int& x, int& y) {
  x = w->cursor_x;
  y = w->cursor_y;
}

InputDevices* window_devices(Window* w) { return w ? w->devices : nullptr; }
