#include "settings/capture.h"

#include "platform/input.h"
#include "platform/log.h"

#include <cmath>

static const char* const* platform_names(void* c) { return axis_names((InputDevices*)c); }
static AxisHandle* platform_open(void* c, const char* name) { return axis_open((InputDevices*)c, name); }
static int platform_read(void*, AxisHandle* a) { return axis_read(a); }
static void platform_close(void*, AxisHandle* a) { axis_close(a); }

CaptureAxes capture_platform_axes(InputDevices* devices) {
  CaptureAxes a;
  a.context = devices;
  a.names = platform_names;
  a.open = platform_open;
  a.read = platform_read;
  a.close = platform_close;
  return a;
}

void capture_start(Capture& c, ControlBinding* b, double now) {
  capture_end(c);
  c.binding = b;
  c.key_name = nullptr;
  c.key = 0;
  c.last_change = now;
  if (c.verbosity >= 1) log_message("Watching pots\n");
  const char* const* names = c.source.names ? c.source.names(c.source.context) : nullptr;
  for (; names && *names; ++names) {
    AxisHandle* h = c.source.open(c.source.context, *names);
    if (c.verbosity >= 1) log_message("\t%s %s\n", *names, h ? "Ok" : "Failed");
    if (!h) continue;
    double v = c.source.read(c.source.context, h) / 32768.0;
    c.axes.push_back(CaptureAxis{*names, h, v, v});
  }
}

void capture_key(Capture& c, uint32_t code, const char* name, uint32_t esc_code, double now) {
  if (!c.binding) return;
  if (code == esc_code) {
    capture_end(c);
    return;
  }
  if (c.key_name || !name) return;
  c.key_name = name;
  c.key = code;
  c.last_change = now;
}

void capture_tic(Capture& c, double now) {
  if (!c.binding) return;
  ControlBinding& b = *c.binding;
  for (size_t i = 0; i < c.axes.size(); ++i) {
    CaptureAxis& a = c.axes[i];
    double v = c.source.read(c.source.context, a.handle) / 32768.0;
    double travel = std::fabs(a.start - a.extreme);  // as it was before this tic
    if (std::fabs(a.start - v) > travel) {
      a.extreme = v;
      c.last_change = now;
    }
    if (now - c.last_change > 0.25 && travel > 0.5) {
      // The moved axis becomes the binding, its range trimmed at both ends.
      binding_release(b);
      b.key_name = nullptr;
      b.code = 0;
      b.axis_name = a.name;
      b.axis = a.handle;
      b.low = float(a.start + 0.0625 * (a.extreme - a.start));
      b.high = float(a.start + 0.9375 * (a.extreme - a.start));
      c.axes.erase(c.axes.begin() + long(i));
      capture_end(c);
      return;
    }
  }
  if (c.key_name && now - c.last_change > 0.25) {
    binding_release(b);
    b.key_name = c.key_name;
    b.code = c.key;
    b.axis_name = nullptr;
    capture_end(c);
  }
}

void capture_end(Capture& c) {
  bool was = c.binding != nullptr;
  for (CaptureAxis& a : c.axes)
    if (c.source.close) c.source.close(c.source.context, a.handle);
  c.axes.clear();
  c.binding = nullptr;
  if (was && c.verbosity >= 1) log_message("Done watching pots\n");
}
