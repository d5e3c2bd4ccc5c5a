#include "bike/physics_world.h"

#include <cstdarg>
#include <cstdio>

#include "platform/log.h"

namespace {

// The physics library reports numerical trouble (a step it could only solve
// approximately) on standard error; it goes to the log instead, and only the
// first few times, since a stuck case repeats every tic.
constexpr int PHYSICS_MESSAGES_LOGGED = 32;
int physics_messages = 0;

void physics_message(int code, const char* format, va_list args) {
  if (physics_messages > PHYSICS_MESSAGES_LOGGED) return;
  if (++physics_messages > PHYSICS_MESSAGES_LOGGED) {
    log_message("Physics: further messages are not logged\n");
    return;
  }
  char text[512];
  vsnprintf(text, sizeof text, format, args);
  log_message("Physics message %d: %s\n", code, text);
}

}  // namespace

bool physics_world_create(PhysicsWorld& p) {
  if (!p.library_open) {
    if (!dInitODE2(0)) {
      log_message("Can't initialise the physics library\n");
      return false;
    }
    p.library_open = true;
    dSetMessageHandler(physics_message);
  }
  p.world = dWorldCreate();
  dWorldSetGravity(p.world, 0, -32, 0);
  p.contacts = dJointGroupCreate(0);
  return p.world && p.contacts;
}

void physics_contacts_clear(PhysicsWorld& p) {
  if (p.contacts) dJointGroupEmpty(p.contacts);
}

void physics_contacts_destroy(PhysicsWorld& p) {
  if (p.contacts) dJointGroupDestroy(p.contacts);
  p.contacts = nullptr;
}

void physics_world_destroy(PhysicsWorld& p) {
  physics_contacts_destroy(p);
  if (p.world) dWorldDestroy(p.world);
  p.world = nullptr;
  if (p.library_open) dCloseODE();
  p.library_open = false;
}
