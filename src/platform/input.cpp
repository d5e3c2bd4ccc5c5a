// The device list of a window: device codes, unique names, axis handles,
// the axis-name list, polling and closing, and the cursor device.
#include "platform/input_device.h"
#include "platform/log.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <mutex>

InputDevices* input_devices_new(EventQueue* queue) {
  InputDevices* d = new InputDevices;
  d->queue = queue;
  d->axis_name_list.reserve(axis_name_capacity + 1);
  d->axis_name_list.push_back(nullptr);
  return d;
}

uint32_t device_code_from_name(const char* name) {
  int32_t even = 0, odd = 0;  // sums of the characters taken as signed bytes
  for (size_t i = 0; name[i]; ++i) {
    int32_t c = int32_t(static_cast<signed char>(name[i]));
    if (i % 2 == 0) even += c;
    else odd += c;
  }
  return (uint32_t(even + 256 * odd) << 16) & 0x7FFF0000u;
}

static bool code_taken(InputDevices* d, uint32_t code) {
  for (InputDevice* dev = d->first; dev; dev = dev->next)
    if (dev->code == code) return true;
  return false;
}

// A code that is neither 0 nor another device's: step by 0x10000, wrapping
// within bits 16-30 so that the release bit (31) is never touched.
static uint32_t free_code(InputDevices* d, uint32_t code) {
  for (int tries = 0; tries <= 0x7FFF; ++tries) {
    if (code != 0 && !code_taken(d, code)) return code;
    code = (code + 0x10000u) & 0x7FFF0000u;
  }
  return 0;
}

InputDevice* device_find(InputDevices* d, const char* name) {
  if (!d || !name) return nullptr;
  for (InputDevice* dev = d->first; dev; dev = dev->next)
    if (dev->name == name) return dev;
  return nullptr;
}

std::string device_clean_name(const char* raw) {
  std::string out;
  for (const char* p = raw ? raw : ""; *p; ++p)
    if (*p != '.' && !isspace((unsigned char)*p)) out += *p;
  if (out.empty()) out = "Joystick";
  if (out.size() > size_t(device_name_max)) out.resize(device_name_max);
  return out;
}

// name, or name#2, name#3, ... whichever no device has yet; the base is cut
// so that the suffix still fits.
static std::string unique_name(InputDevices* d, const std::string& base) {
  std::string name = base.substr(0, device_name_max);
  for (int k = 2; device_find(d, name.c_str()); ++k) {
    std::string suffix = "#" + std::to_string(k);
    name = base.substr(0, device_name_max - suffix.size()) + suffix;
  }
  return name;
}

bool input_device_add(InputDevices* d, InputDevice* dev) {
  dev->name = unique_name(d, dev->name);
  dev->code = free_code(d, device_code_from_name(dev->name.c_str()));
  dev->buttons = std::clamp(dev->buttons, 0, device_button_max);
  dev->axes = std::max(dev->axes, 0);
  dev->owner = d;
  if (dev->code == 0) {
    dev->ops->release(dev);
    delete dev;
    return false;
  }
  dev->next = d->first;
  d->first = dev;
  return true;
}

void axis_names_add(InputDevices* d, const char* name) {
  std::vector<const char*>& list = d->axis_name_list;
  const char* pooled = name_pool(name);
  if (std::find(list.begin(), list.end() - 1, pooled) != list.end() - 1) return;
  if (list.size() > size_t(axis_name_capacity)) {
    log_message("Too many axes to list \"%s\"\n", name);
    return;
  }
  list.back() = pooled;
  list.push_back(nullptr);
}

const char* const* axis_names(InputDevices* d) {
  static const char* const none[1] = {nullptr};
  return d ? d->axis_name_list.data() : none;
}

void device_queue_button(InputDevice* dev, int button, bool pressed) {
  if (dev->owner && dev->owner->queue)
    event_queue_push(*dev->owner->queue, dev->code | uint32_t(button), pressed, clock_now());
}

void devices_poll(InputDevices* d) {
  if (!d) return;
  for (InputDevice* dev = d->first; dev; dev = dev->next)
    if (dev->buttons_in_use) dev->ops->poll(dev);
}

void devices_close(InputDevices* d) {
  if (!d) return;
  while (InputDevice* dev = d->first) {
    d->first = dev->next;
    if (dev->open_count > 0) {
      dev->open_count = 0;
      dev->ops->close(dev);
    }
    dev->ops->release(dev);
    for (AxisHandle* h : dev->handles) h->device = nullptr;
    delete dev;
  }
  input_sdl_stop(d);
  delete d;
}

AxisHandle* axis_open(InputDevices* d, const char* name) {
  if (!d || !name) return nullptr;
  name = alias_lookup(name);
  char device[device_name_max + 1];
  int n = -1;
  if (sscanf(name, "%63[^.].axis[%d]", device, &n) != 2 && sscanf(name, "%63s axis %d", device, &n) != 2)
    return nullptr;
  if (n < 0) return nullptr;
  InputDevice* dev = device_find(d, device);
  if (!dev || n >= dev->axes) return nullptr;
  if (dev->open_count == 0 && !dev->ops->open(dev)) return nullptr;
  dev->open_count++;
  AxisHandle* h = new AxisHandle{dev, n};
  dev->handles.push_back(h);
  return h;
}

void axis_close(AxisHandle* a) {
  if (!a) return;
  if (InputDevice* dev = a->device) {
    dev->handles.erase(std::remove(dev->handles.begin(), dev->handles.end(), a), dev->handles.end());
    if (dev->open_count <= 1) {
      dev->open_count = 0;
      dev->ops->close(dev);
    } else {
      dev->open_count--;
    }
  }
  delete a;
}

int axis_read(AxisHandle* a) {
  if (!a || !a->device) return 0;
  return a->device->ops->read_axis(a->device, a->axis);
}

// The cursor: two axes, the pointer's x and y in window pixels.
namespace {

struct CursorState {
  int x = 0, y = 0;  // last pointer position, window pixels
};

bool cursor_yes(InputDevice*) { return true; }
void cursor_nothing(InputDevice*) {}
int cursor_read(InputDevice* dev, int axis) {
  CursorState* s = static_cast<CursorState*>(dev->state);
  return axis == 0 ? s->x : s->y;
}
void cursor_release(InputDevice* dev) { delete static_cast<CursorState*>(dev->state); }

const InputDeviceOps cursor_ops = {cursor_yes, cursor_yes, cursor_nothing, cursor_read, cursor_nothing, cursor_release};

}  // namespace

void input_add_cursor(InputDevices* d) {
  InputDevice* dev = new InputDevice;
  dev->name = "cursor";
  dev->axes = 2;
  dev->ops = &cursor_ops;
  dev->state = new CursorState;
  input_device_add(d, dev);
  // Once per process: a window opened again would only log refusals.
  static std::once_flag aliases_added;
  std::call_once(aliases_added, [] {
    alias_add("cursor-x", "cursor.axis[0]");
    alias_add("cursor-y", "cursor.axis[1]");
    alias_add("cursor-left", "Mouse Left");
    alias_add("cursor-middle", "Mouse Middle");
    alias_add("cursor-right", "Mouse Right");
  });
}

void input_set_cursor(InputDevices* d, int x, int y) {
  if (!d) return;
  for (InputDevice* dev = d->first; dev; dev = dev->next) {
    if (dev->ops == &cursor_ops) {
      CursorState* s = static_cast<CursorState*>(dev->state);
      s->x = x;
      s->y = y;
    }
  }
}
