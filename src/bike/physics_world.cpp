#include "bike/physics_world.h"

#include "platform/log.h"

bool physics_world_create(PhysicsWorld& p) {
  if (!p.library_open) {
    if (!dInitODE2(0)) {
      log_message("Can't initialise the physics library\n");
      return false;
    }
    p.library_open = true;
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
