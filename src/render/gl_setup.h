// What the GL driver is, and the fixed GL state the program starts from.
#pragma once
#include <string>

struct GlDriverInfo {
  std::string vendor, renderer, version, extensions;
};

// Reads and logs the driver strings ("GL_VENDOR: %s" ...). Needs a current context.
GlDriverInfo gl_query_driver();
// Clear colour, back-face culling, byte-aligned pixel transfers; flat shading when asked.
void gl_initial_state(bool flat_shading);
// Sets a pixel-exact 2D projection for a drawable of width x height.
void gl_projection_2d(int width, int height);
// Clears colour and depth to the sky-blue clear colour.
void gl_clear_frame();
// Waits for the driver to finish drawing (--glfinish).
void gl_finish();
