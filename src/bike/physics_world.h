// The rigid-body world every bike lives in: made once at start-up with
// gravity (0, -32, 0) ft/s^2, destroyed at shut-down. Contact joints go into
// one group that is emptied every tic.
#pragma once
#include <ode/ode.h>

struct PhysicsWorld {
  dWorldID world = nullptr;          // the ODE world, or none
  dJointGroupID contacts = nullptr;  // per-tic contact joints
  bool library_open = false;         // dInitODE2 succeeded
};

bool physics_world_create(PhysicsWorld& p);
// Empties the contact group (contacts live for one tic).
void physics_contacts_clear(PhysicsWorld& p);
// Destroys the contact group (if any) first when asked, then the world.
void physics_contacts_destroy(PhysicsWorld& p);
void physics_world_destroy(PhysicsWorld& p);
