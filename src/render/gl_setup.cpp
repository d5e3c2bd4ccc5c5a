#include "render/gl_setup.h"

#include "platform/log.h"

#include <GL/gl.h>

static std::string gl_string(GLenum name) {
  const GLubyte* s = glGetString(name);
  return s ? std::string((const char*)s) : std::string();
}

GlDriverInfo gl_query_driver() {
  GlDriverInfo info{gl_string(GL_VENDOR), gl_string(GL_RENDERER), gl_string(GL_VERSION), gl_string(GL_EXTENSIONS)};
  log_message("GL_VENDOR: %s\n", info.vendor.c_str());
  log_message("GL_RENDERER: %s\n", info.renderer.c_str());
  log_message("GL_VERSION: %s\n", info.version.c_str());
  log_message("GL_EXTENSIONS: %s\n", info.extensions.c_str());
  return info;
}

void gl_initial_state(bool flat_shading) {
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.196078f, 0.6f, 0.8f, 0);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (flat_shading) glShadeModel(GL_FLAT);
}

void gl_projection_2d(int width, int height) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void gl_clear_frame() {
  glClearColor(0.196078f, 0.6f, 0.8f, 0);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void gl_finish() { glFinish(); }
