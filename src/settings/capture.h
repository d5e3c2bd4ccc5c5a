// Capturing a new key or axis for a binding from the controls menu
// ("watching pots"): the first key pressed, or an axis moved far enough,
// becomes the binding.
#pragma once
#include <cstdint>
#include <vector>

#include "settings/settings.h"

// Where the capture finds axes; the input layer's own, or a test's.
struct CaptureAxes {
  void* context = nullptr;
  const char* const* (*names)(void* context) = nullptr;
  AxisHandle* (*open)(void* context, const char* name) = nullptr;
  int (*read)(void* context, AxisHandle* a) = nullptr;
  void (*close)(void* context, AxisHandle* a) = nullptr;
};

struct CaptureAxis {
  const char* name;    // pooled axis name
  AxisHandle* handle;  // open handle (moved to the binding when bound)
  double start;        // value when the capture began, -1..1
  double extreme;      // the value farthest from start seen so far
};

struct Capture {
  ControlBinding* binding = nullptr;  // being captured, or none (idle)
  const char* key_name = nullptr;     // key pressed during the capture, or none
  uint32_t key = 0;                   // its code
  double last_change = 0;             // GameClock seconds of the last key or axis change
  std::vector<CaptureAxis> axes;      // every axis opened for the capture
  CaptureAxes source;                 // the axes' operations
  int verbosity = 0;                  // 1 or more logs the axes watched
};

// The input layer's axes of these devices.
CaptureAxes capture_platform_axes(InputDevices* devices);
// Starts capturing for a binding at GameClock time now.
void capture_start(Capture& c, ControlBinding* b, double now);
// A key press while capturing: "esc" (esc_code) cancels; the first named key is remembered.
void capture_key(Capture& c, uint32_t code, const char* name, uint32_t esc_code, double now);
// Once per tic: binds a moved axis or the remembered key when the time has come.
void capture_tic(Capture& c, double now);
// Ends the capture, closing every axis still held.
void capture_end(Capture& c);
inline bool capture_active(const Capture& c) { return c.binding != nullptr; }
