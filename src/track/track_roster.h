// Who rides in a race: the fixed roster of robot riders, shuffled for every
// race, and the line-up of 160 slot codes that the menus, a points series,
// a demo or a race server hand the track loader, turned into one rider per
// slot. Also the bike-name aliases applied when a bike is built.
#pragma once
#include <cstdint>
#include <random>
#include <string>

enum {
  ROSTER_SIZE = 80,         // robots in the roster, numbered "20" to "99"
  LINEUP_SLOTS = 160,       // slots of a line-up
  LINEUP_ROBOT_NUMBER = 1000,  // 1000 + n: the robot whose number is n
};

// Line-up codes.
enum {
  LINEUP_EMPTY = 0,      // nothing (in demo playback: the next recorded rider)
  LINEUP_HUMAN = 1,      // the local player (only the first counts)
  LINEUP_ROBOT = 2,      // the next robot of the shuffled roster
  LINEUP_ROBOT_125 = 3,  // the next shuffled robot on a bike whose name holds "125"
  LINEUP_ROBOT_250 = 4,  // the next shuffled robot on a bike whose name holds "250"
  LINEUP_REMOTE = 5,     // the next remote rider of a multiplayer race
};

// Robot personalities (their riding style, used by the auto pilot).
enum RobotPersonality { ROBOT_ALDER, ROBOT_BIRCH, ROBOT_CEDAR };

// One robot rider.
struct RobotEntry {
  const char* number;       // "20" .. "99"
  int personality;          // RobotPersonality
  const char* bike;         // bike name as the roster gives it (before aliases)
  const char* rider_body;   // texture names, or null for the bike's defaults
  const char* rider_head;
  const char* bike_texture;
  const char* wheel_texture;
};

// The 80 entries in number order.
const RobotEntry* robot_roster();
// The entry whose number is n (20..99), or -1.
int robot_roster_find(int number);

// The roster order of one race: a permutation of 0..79.
struct RosterOrder {
  int order[ROSTER_SIZE];
};
// Shuffles 0..79: for n from 79 down to 1, swap position n with position
// (r / 65536) mod n, r the generator's next value.
void roster_shuffle(RosterOrder& order, std::mt19937& random);

// What a slot of the line-up gets.
enum SlotRiderKind {
  SLOT_RIDER_NONE = 0,    // empty
  SLOT_RIDER_HUMAN = 1,   // this machine's player
  SLOT_RIDER_ROBOT = 2,   // a robot (robot holds its roster entry, or -1 for the plain "rm125" robot)
  SLOT_RIDER_REMOTE = 3,  // the next remote rider
  SLOT_RIDER_DEMO = 4,    // the next rider recorded in the demo
};

struct SlotRider {
  int kind = SLOT_RIDER_NONE;  // SlotRiderKind
  int robot = -1;              // roster index of a robot, -1 for the plain robot
  std::string bike;            // bike name of a robot (aliases applied)
};

// The line-up resolved slot by slot: codes 2, 3 and 4 take robots from the
// shuffled order in turn (3 and 4 the next ones whose bike fits), wrapping
// round when they run out; 1000 + n takes robot n, a number that names no
// robot leaves the slot empty; unknown codes give the plain robot on
// "rm125". Only the first 1 is the human; later ones are emptied. In demo
// playback empty slots take the demo's riders.
struct LineUpPlan {
  SlotRider slot[LINEUP_SLOTS];
  int viewed = -1;  // the human's slot, -1 none
};
void lineup_resolve(LineUpPlan& plan, const int codes[LINEUP_SLOTS], const RosterOrder& order, bool demo);

// "crf250" -> "crf250(2008)", "kx250f" -> "kx250f(2008)", "rmz250" ->
// "rmz250(2008)", "yz250f" -> "yz250f(2008)"; other names unchanged.
std::string bike_name_alias(const std::string& name);
