#include "render/loading_screen.h"

#include "render/gl_setup.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

void loading_screen_draw(int width, int height, unsigned counter, double seconds) {
  gl_projection_2d(width, height);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glClearColor(0.25f, 0.25f, 0.25f, 1);
  glClear(GL_COLOR_BUFFER_BIT);

  // A fan of sixteen darker triangles from the centre, every other slice.
  float cx = width * 0.5f, cy = height * 0.5f;
  float r = std::sqrt(cx * cx + cy * cy) + 2;
  const float pi = 3.14159265f;
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < 16; ++i) {
    float a0 = (2 * i) * pi / 16, a1 = (2 * i + 1) * pi / 16;
    glColor4f(0.2f, 0.2f, 0.2f, 1);
    glVertex2f(cx, cy);
    glVertex2f(cx + r * std::cos(a0), cy + r * std::sin(a0));
    glVertex2f(cx + r * std::cos(a1), cy + r * std::sin(a1));
  }
  glEnd();

  // A column of 32 bars, one per bit of the counter, over shadows that fade
  // in during the first half second, with a light wave running down twice a second.
  float bar_w = std::max(8.0f, width / 40.0f), bar_h = std::max(3.0f, height / 80.0f);
  float gap = bar_h * 0.5f;
  float column_h = 32 * (bar_h + gap);
  float x0 = width - bar_w * 2, y0 = (height - column_h) * 0.5f;
  float shadow = float(std::min(1.0, seconds * 2)) * 0.5f;
  double wave = std::fmod(seconds * 2, 1.0) * 32;
  glBegin(GL_QUADS);
  for (int j = 0; j < 32; ++j) {
    float y = y0 + j * (bar_h + gap);
    glColor4f(0, 0, 0, shadow);
    glVertex2f(x0 + 3, y + 3);
    glVertex2f(x0 + 3, y + bar_h + 3);
    glVertex2f(x0 + bar_w + 3, y + bar_h + 3);
    glVertex2f(x0 + bar_w + 3, y + 3);
    float grey = (counter >> j) & 1 ? 0.875f : 0.75f;
    float light = float(std::max(0.0, 1 - std::fabs(wave - j) / 3)) * 0.125f;
    float g = std::min(1.0f, grey + light);
    glColor4f(g, g, g, 1);
    glVertex2f(x0, y);
    glVertex2f(x0, y + bar_h);
    glVertex2f(x0 + bar_w, y + bar_h);
    glVertex2f(x0 + bar_w, y);
  }
  glEnd();
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
}
