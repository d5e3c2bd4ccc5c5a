// Input devices on SDL2: game controllers (pads with a mapping) as
// "XInputGamepad%d" with the XInput button bits and axes, other joysticks
// under their own names, and the roll call that finds them.
#include "platform/input_device.h"
#include "platform/log.h"
#include "platform/options.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

// A game controller seen through the XInput layout.
struct PadState {
  SDL_GameController* pad = nullptr;  // open controller, none while unplugged
  SDL_JoystickID id = -1;             // SDL instance id while plugged in
  int number = 0;                     // the N of "XInputGamepadN"
  uint16_t last_buttons = 0;          // button word of the last read (XInput bit order)
};

// A joystick without a controller mapping.
struct StickState {
  SDL_Joystick* stick = nullptr;      // open joystick, none while unplugged
  SDL_JoystickID id = -1;             // SDL instance id while plugged in
  std::string base_name;              // cleaned name before any "#n"
  std::vector<uint8_t> last_buttons;  // button states of the last read
};

// SDL's controller buttons in XInput's bit order; bits 10 and 11 are unused.
constexpr int pad_bits[16] = {
    SDL_CONTROLLER_BUTTON_DPAD_UP,       SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,     SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_START,         SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,     SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,  SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_INVALID,       SDL_CONTROLLER_BUTTON_INVALID,
    SDL_CONTROLLER_BUTTON_A,             SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,             SDL_CONTROLLER_BUTTON_Y,
};

PadState* pad_of(InputDevice* dev) { return static_cast<PadState*>(dev->state); }
StickState* stick_of(InputDevice* dev) { return static_cast<StickState*>(dev->state); }

bool always(InputDevice*) { return true; }
void nothing(InputDevice*) {}

// Reads the button word and queues a change for every bit that moved.
void pad_buttons(InputDevice* dev) {
  PadState* s = pad_of(dev);
  if (!s->pad) return;
  uint16_t word = 0;
  for (int bit = 0; bit < 16; ++bit)
    if (pad_bits[bit] != SDL_CONTROLLER_BUTTON_INVALID &&
        SDL_GameControllerGetButton(s->pad, SDL_GameControllerButton(pad_bits[bit])))
      word |= uint16_t(1u << bit);
  uint16_t changed = word ^ s->last_buttons;
  s->last_buttons = word;
  for (int bit = 0; bit < 16; ++bit)
    if (changed & (1u << bit)) device_queue_button(dev, bit, (word >> bit) & 1);
}

void pad_poll(InputDevice* dev) {
  SDL_JoystickUpdate();
  pad_buttons(dev);
}

int clamp16(int v) { return std::clamp(v, -32768, 32767); }

// A trigger as XInput reports it: 0..255, then t * 128 + t / 2.
int pad_trigger(int sdl_value) {
  int t = (std::clamp(sdl_value, 0, 32767) * 255 + 16383) / 32767;
  return t * 128 + t / 2;
}

int pad_read(InputDevice* dev, int axis) {
  pad_poll(dev);
  PadState* s = pad_of(dev);
  if (!s->pad) return 0;
  auto get = [&](SDL_GameControllerAxis a) { return int(SDL_GameControllerGetAxis(s->pad, a)); };
  switch (axis) {
    case 0: return get(SDL_CONTROLLER_AXIS_LEFTX);
    case 1: return clamp16(-get(SDL_CONTROLLER_AXIS_LEFTY));  // up is positive
    case 2: return get(SDL_CONTROLLER_AXIS_RIGHTX);
    case 3: return clamp16(-get(SDL_CONTROLLER_AXIS_RIGHTY));
    case 4: return pad_trigger(get(SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    case 5: return pad_trigger(get(SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
    default: return 0;
  }
}

void pad_release(InputDevice* dev) {
  PadState* s = pad_of(dev);
  if (s->pad) SDL_GameControllerClose(s->pad);
  delete s;
}

const InputDeviceOps pad_ops = {always, always, nothing, pad_read, pad_poll, pad_release};

void stick_buttons(InputDevice* dev) {
  StickState* s = stick_of(dev);
  if (!s->stick) return;
  for (int b = 0; b < dev->buttons; ++b) {
    uint8_t now = SDL_JoystickGetButton(s->stick, b) ? 1 : 0;
    if (now == s->last_buttons[size_t(b)]) continue;
    s->last_buttons[size_t(b)] = now;
    device_queue_button(dev, b, now != 0);
  }
}

void stick_poll(InputDevice* dev) {
  SDL_JoystickUpdate();
  stick_buttons(dev);
}

int stick_read(InputDevice* dev, int axis) {
  stick_poll(dev);
  StickState* s = stick_of(dev);
  if (!s->stick) return 0;
  return std::clamp(int(SDL_JoystickGetAxis(s->stick, axis)), -32767, 32767);
}

void stick_release(InputDevice* dev) {
  StickState* s = stick_of(dev);
  log_message("Killing %s\n", dev->name.c_str());
  if (s->stick) SDL_JoystickClose(s->stick);
  delete s;
}

const InputDeviceOps stick_ops = {always, always, nothing, stick_read, stick_poll, stick_release};

// The SDL instance id a device of ours is plugged in as, or -1.
SDL_JoystickID device_instance(InputDevice* dev) {
  if (dev->ops == &pad_ops) return pad_of(dev)->pad ? pad_of(dev)->id : -1;
  if (dev->ops == &stick_ops) return stick_of(dev)->stick ? stick_of(dev)->id : -1;
  return -1;
}

void log_joystick(int index) {
  const char* name = SDL_JoystickNameForIndex(index);
  const char* path = SDL_JoystickPathForIndex(index);
  char guid[40];
  SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
  log_message("%s (%s)\n", name ? name : "", path ? path : guid);
}

void add_pad(InputDevices* d, int index) {
  // A controller that was unplugged comes back as the lowest free number.
  InputDevice* back = nullptr;
  int pads = 0;
  for (InputDevice* dev = d->first; dev; dev = dev->next) {
    if (dev->ops != &pad_ops) continue;
    pads++;
    if (!pad_of(dev)->pad && (!back || pad_of(dev)->number < pad_of(back)->number)) back = dev;
  }
  SDL_GameController* pad = SDL_GameControllerOpen(index);
  if (!pad) {
    log_message("Can't create \"%s\"\n", SDL_GameControllerNameForIndex(index) ? SDL_GameControllerNameForIndex(index) : "");
    return;
  }
  SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
  if (back) {
    PadState* s = pad_of(back);
    s->pad = pad;
    s->id = id;
    s->last_buttons = 0;
    log_message("%s found\n", back->name.c_str());
    return;
  }
  char name[32];
  snprintf(name, sizeof name, "XInputGamepad%d", pads);
  InputDevice* dev = new InputDevice;
  dev->name = name;
  dev->buttons = 16;
  dev->axes = 6;
  dev->ops = &pad_ops;
  PadState* s = new PadState;
  s->pad = pad;
  s->id = id;
  s->number = pads;
  dev->state = s;
  if (!input_device_add(d, dev)) return;
  log_message("%s found\n", dev->name.c_str());
  for (int a = 0; a < 6; ++a) {
    char axis[128];
    snprintf(axis, sizeof axis, "%.63s axis %d", dev->name.c_str(), a);
    axis_names_add(d, axis);
  }
}

void add_stick(InputDevices* d, int index) {
  std::string base = device_clean_name(SDL_JoystickNameForIndex(index));
  InputDevice* back = nullptr;
  for (InputDevice* dev = d->first; dev && !back; dev = dev->next)
    if (dev->ops == &stick_ops && !stick_of(dev)->stick && stick_of(dev)->base_name == base) back = dev;

  SDL_Joystick* stick = SDL_JoystickOpen(index);
  if (!stick) {
    log_message("Can't create \"%s\"\n", base.c_str());
    return;
  }
  int axes = SDL_JoystickNumAxes(stick), buttons = SDL_JoystickNumButtons(stick);
  if (axes < 0 || buttons < 0) {
    log_message("Can't get device caps\n");
    SDL_JoystickClose(stick);
    return;
  }
  if (back) {
    // The same name with the same counts takes the old record, so that the
    // bindings made to it work again.
    if (axes >= back->axes && buttons >= back->buttons) {
      StickState* s = stick_of(back);
      s->stick = stick;
      s->id = SDL_JoystickInstanceID(stick);
      std::fill(s->last_buttons.begin(), s->last_buttons.end(), 0);
      log_message("%s found\n", back->name.c_str());
      return;
    }
  }
  if (axes == 0 && buttons == 0) {
    log_message("Ignoring Dunsel device\n");
    SDL_JoystickClose(stick);
    return;
  }
  log_message("%d axes, %d keys\n", axes, buttons);
  if (axes > 100) {
    log_message("Wow! This thing has a lot of axes!\nThe first ignored axis is called \"%s\"\n", "axis 100");
    axes = 100;
  }
  if (buttons > device_button_max) {
    log_message("Wow! This thing has a lot of buttons!\nThe first ignored button is called \"%s\"\n", "button 256");
    buttons = device_button_max;
  }
  for (int a = 0; a < axes; ++a) log_message("axis %d is %s\n", a, "absolute");

  InputDevice* dev = new InputDevice;
  dev->name = base;
  dev->buttons = buttons;
  dev->axes = axes;
  dev->ops = &stick_ops;
  StickState* s = new StickState;
  s->stick = stick;
  s->id = SDL_JoystickInstanceID(stick);
  s->base_name = base;
  s->last_buttons.assign(size_t(buttons), 0);
  dev->state = s;
  if (!input_device_add(d, dev)) return;
  for (int a = 0; a < axes; ++a) {
    char axis[256];
    snprintf(axis, sizeof axis, "%.200s axis %d", dev->name.c_str(), a);
    log_message("Adding axis \"%s\"\n", axis);
    axis_names_add(d, axis);
  }
}

void joystick_aliases();

bool known_instance(InputDevices* d, SDL_JoystickID id) {
  for (InputDevice* dev = d->first; dev; dev = dev->next)
    if (device_instance(dev) == id) return true;
  return false;
}

void joystick_roll_call(InputDevices* d) {
  if (!d->find_joysticks) {
    log_message("Joystick roll call disabled\n");
    return;
  }
  log_message("Joystick roll call...\n");
  int count = d->joysticks_started ? SDL_NumJoysticks() : 0;
  for (int i = 0; i < count; ++i) {
    log_joystick(i);
    if (d->find_pads && SDL_IsGameController(i)) {
      log_message("Ignoring XInput device\n");
      continue;
    }
    add_stick(d, i);
  }
  log_message("End of joystick roll call\n");
  // Once per process: a window opened again would only log refusals.
  static std::once_flag aliases_added;
  std::call_once(aliases_added, joystick_aliases);
}

void joystick_aliases() {
  alias_add("mouse-x", "Mouse.axis[0]");
  alias_add("mouse-y", "Mouse.axis[1]");
  alias_add("mouse-left", "Mouse.key[0]");
  alias_add("mouse-right", "Mouse.key[1]");
  alias_add("mouse-middle", "Mouse.key[2]");
  alias_add("joystick-a-x", "Joystick1.axis[0]");
  alias_add("joystick-a-y", "Joystick1.axis[1]");
  alias_add("joystick-a-1", "Joystick1.key[0]");
  alias_add("joystick-a-2", "Joystick1.key[1]");
  alias_add("joystick-b-x", "Joystick2.axis[0]");
  alias_add("joystick-b-y", "Joystick2.axis[1]");
  alias_add("joystick-b-1", "Joystick2.key[0]");
  alias_add("joystick-b-2", "Joystick2.key[1]");
}

void pad_roll_call(InputDevices* d) {
  if (!d->find_pads) {
    log_message("XInput disabled\n");
    return;
  }
  log_message("XInput roll call...\n");
  int count = d->joysticks_started ? SDL_NumJoysticks() : 0;
  for (int i = 0; i < count; ++i)
    if (SDL_IsGameController(i)) add_pad(d, i);
  log_message("End of XInput roll call\n");
}

}  // namespace

InputDevices* input_devices_create(EventQueue* queue) {
  return input_devices_roll_call(queue, option_bool("dinput", 1) != 0, option_bool("xinput", 1) != 0);
}

InputDevices* input_devices_roll_call(EventQueue* queue, bool find_joysticks, bool find_pads) {
  InputDevices* d = input_devices_new(queue);
  d->find_joysticks = find_joysticks;
  d->find_pads = find_pads;
  if ((d->find_joysticks || d->find_pads) && SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0)
    d->joysticks_started = true;
  else if (d->find_joysticks || d->find_pads)
    log_message("Can't start the joystick subsystem: %s\n", SDL_GetError());
  joystick_roll_call(d);
  pad_roll_call(d);
  input_add_cursor(d);
  return d;
}

void devices_added(InputDevices* d, int device_index) {
  if (!d || !d->joysticks_started) return;
  if (device_index < 0 || device_index >= SDL_NumJoysticks()) return;
  if (known_instance(d, SDL_JoystickGetDeviceInstanceID(device_index))) return;
  if (d->find_pads && SDL_IsGameController(device_index)) {
    add_pad(d, device_index);
  } else if (d->find_joysticks) {
    log_joystick(device_index);
    add_stick(d, device_index);
  }
}

void devices_removed(InputDevices* d, int32_t instance_id) {
  if (!d) return;
  for (InputDevice* dev = d->first; dev; dev = dev->next) {
    if (instance_id < 0 || device_instance(dev) != instance_id) continue;
    log_message("%s unplugged\n", dev->name.c_str());
    // Held buttons are let go, so no control stays pressed.
    if (dev->ops == &pad_ops) {
      PadState* s = pad_of(dev);
      for (int bit = 0; bit < 16; ++bit)
        if (s->last_buttons & (1u << bit)) device_queue_button(dev, bit, false);
      s->last_buttons = 0;
      SDL_GameControllerClose(s->pad);
      s->pad = nullptr;
      s->id = -1;
    } else {
      StickState* s = stick_of(dev);
      for (int b = 0; b < dev->buttons; ++b)
        if (s->last_buttons[size_t(b)]) device_queue_button(dev, b, false);
      std::fill(s->last_buttons.begin(), s->last_buttons.end(), 0);
      SDL_JoystickClose(s->stick);
      s->stick = nullptr;
      s->id = -1;
    }
    return;
  }
}

void input_sdl_stop(InputDevices* d) {
  if (d->joysticks_started) SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  d->joysticks_started = false;
}
