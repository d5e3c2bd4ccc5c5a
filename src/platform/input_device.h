// The device records behind input.h, for the back-ends that build devices
// and for tests that plug in devices of their own.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/input.h"

struct InputDevice;

// What a back-end does for its devices. Every entry must be set.
struct InputDeviceOps {
  bool (*enable_buttons)(InputDevice* dev);    // true when the device must be polled for button events
  bool (*open)(InputDevice* dev);              // first axis handle made; false refuses the handle
  void (*close)(InputDevice* dev);             // last axis handle gone
  int (*read_axis)(InputDevice* dev, int axis);  // -32768..32767
  void (*poll)(InputDevice* dev);              // queue button changes
  void (*release)(InputDevice* dev);           // free the back-end state (the record is freed by the list)
};

struct InputDevice {
  std::string name;               // unique in the list, no white space, at most device_name_max characters
  uint32_t code = 0;              // device code, bits 16-30 only, unique in the list
  int open_count = 0;             // open axis handles
  bool buttons_in_use = false;    // a button is bound: poll for button events
  int buttons = 0;                // buttons 0..buttons-1 (at most 256)
  int axes = 0;                   // axes 0..axes-1
  const InputDeviceOps* ops = nullptr;
  void* state = nullptr;          // the back-end's own record
  InputDevices* owner = nullptr;  // the list holding it (its event queue)
  std::vector<AxisHandle*> handles;  // open handles, cut loose when the device is freed
  InputDevice* next = nullptr;    // next older device
};

struct AxisHandle {
  InputDevice* device;  // none once the device list was closed
  int axis;             // axis number on the device
};

struct InputDevices {
  EventQueue* queue = nullptr;      // where button events go
  InputDevice* first = nullptr;     // most recently added first
  std::vector<const char*> axis_name_list;  // pooled names, null-terminated; capacity fixed at creation
  bool joysticks_started = false;   // the joystick subsystem was started for this list
  bool find_joysticks = false;      // option "dinput": plain joysticks become devices
  bool find_pads = false;           // option "xinput": game controllers become "XInputGamepad%d"
};

constexpr int device_name_max = 63;     // the longest name the "%63s" button and axis forms can match
constexpr int device_button_max = 256;  // button numbers must fit in the code's low 8 bits
constexpr int axis_name_capacity = 1024;  // axis names listed at most (the list never moves)

// An empty device list with no devices (no roll call).
InputDevices* input_devices_new(EventQueue* queue);
// input_devices_create with the options given: plain joysticks ("dinput")
// and game controllers ("xinput"); with find_pads off, controllers count as
// plain joysticks.
InputDevices* input_devices_roll_call(EventQueue* queue, bool find_joysticks, bool find_pads);
// The device code a name gives before clashes are settled.
uint32_t device_code_from_name(const char* name);
// Adds a device built by a back-end: makes its name unique ("#2", "#3", ...),
// gives it a free device code and puts it first. Takes ownership; returns
// false (after running its release) when no code is free.
bool input_device_add(InputDevices* d, InputDevice* dev);
// The device with exactly this name, or none.
InputDevice* device_find(InputDevices* d, const char* name);
// Adds a pooled name to the axis-name list unless it is there already.
void axis_names_add(InputDevices* d, const char* name);
// Queues a button change of dev, stamped now.
void device_queue_button(InputDevice* dev, int button, bool pressed);
// A name fit for a device: white space and dots removed, cut to fit.
std::string device_clean_name(const char* raw);
// Adds the cursor device ("cursor", 2 axes) and its aliases.
void input_add_cursor(InputDevices* d);

// Loose comparison: white space and "_" count as a space, letters match
// without case, and both texts must end together.
bool names_match_loose(const char* a, const char* b);
// The key tables: the name of a set-1 scan code from the fixed table, or
// none; the system's name for it, or "" (pooled).
const char* key_table_name(int scan);
const char* key_system_name(int scan);

// The SDL side, called by the list: stops the joystick subsystem when this
// list started it.
void input_sdl_stop(InputDevices* d);
