// Input devices and key names. Controls are bound by name ("Space",
// "XInputGamepad0 axis 4", "JoyPad button 3"); these functions turn names
// into event codes and back, open analogue axes by name, and turn device
// button changes into events in the window's queue.
//
// Code ranges (see event_queue.h): 0x1000 + set-1 scan code for keys,
// 0x2000-0x2002 mouse buttons, 0xDEAD close, and device code | button for
// device buttons, where a device code occupies bits 16-30.
//
// The alias table and the name pool are process-wide and live until exit.
#pragma once
#include <cstdint>

#include "platform/event_queue.h"

struct InputDevices;  // a window's device list and axis-name list
struct AxisHandle;    // one open analogue axis

// Finds the window's devices: game controllers, plain joysticks and the
// cursor. Button events go to queue. Never none (an empty list at worst).
InputDevices* input_devices_create(EventQueue* queue);
// Closes and frees every device, then the record. Axis handles still open
// stay valid to close; they read 0 from then on.
void devices_close(InputDevices* d);
// Queues the button changes of the devices whose buttons are bound.
void devices_poll(InputDevices* d);
// The window tells the cursor device where the pointer is (window pixels).
void input_set_cursor(InputDevices* d, int x, int y);
// Hot plug: a joystick with this SDL device index was attached; one already
// known is left alone. A device that was unplugged and comes back takes its
// old name again.
void devices_added(InputDevices* d, int device_index);
// Hot plug: the joystick with this SDL instance id went away. Its held
// buttons are released and its axes read 0 until it comes back.
void devices_removed(InputDevices* d, int32_t instance_id);

// Key or button code for a name; 0 when there is none. With d null only
// keys, mouse buttons and Close are known.
uint32_t key_code(InputDevices* d, const char* name);
// Pooled name for a code, or null.
const char* key_name(InputDevices* d, uint32_t code);

// Opens an axis by name ("cursor axis 0", "cursor.axis[0]" or an alias);
// null when there is no such axis or the device cannot be opened.
AxisHandle* axis_open(InputDevices* d, const char* name);
void axis_close(AxisHandle* a);
// Current value, -32768..32767.
int axis_read(AxisHandle* a);
// The absolute axes found, pooled, in discovery order, ended by null. The
// array stays where it is for the life of d (devices added later append).
const char* const* axis_names(InputDevices* d);

// Makes alias stand for target (one step: the target is not looked up
// again). A second alias of the same name is refused and logged.
bool alias_add(const char* alias, const char* target);
// The alias's target, or name itself.
const char* alias_lookup(const char* name);
// One shared copy of each text, never freed.
const char* name_pool(const char* text);
