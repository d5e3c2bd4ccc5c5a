#include "track/track_roster.h"

#include <cstring>

// The robots in number order. No alternate rider or bike textures ship yet,
// so every robot rides with its bike's defaults (null texture names).
#define ROBOT(number, personality, bike) {number, personality, bike, nullptr, nullptr, nullptr, nullptr}

static const RobotEntry roster_entries[ROSTER_SIZE] = {
    // Two-strokes, birch.
    ROBOT("20", ROBOT_BIRCH, "kx125"), ROBOT("21", ROBOT_BIRCH, "kx125"), ROBOT("22", ROBOT_BIRCH, "kx125"),
    ROBOT("23", ROBOT_BIRCH, "kx125"), ROBOT("24", ROBOT_BIRCH, "kx125"),
    ROBOT("25", ROBOT_BIRCH, "yz125"), ROBOT("26", ROBOT_BIRCH, "yz125"), ROBOT("27", ROBOT_BIRCH, "yz125"),
    ROBOT("28", ROBOT_BIRCH, "yz125"), ROBOT("29", ROBOT_BIRCH, "yz125"),
    ROBOT("30", ROBOT_BIRCH, "cr125"), ROBOT("31", ROBOT_BIRCH, "cr125"), ROBOT("32", ROBOT_BIRCH, "cr125"),
    ROBOT("33", ROBOT_BIRCH, "cr125"), ROBOT("34", ROBOT_BIRCH, "cr125"),
    ROBOT("35", ROBOT_BIRCH, "rm125"), ROBOT("36", ROBOT_BIRCH, "rm125"), ROBOT("37", ROBOT_BIRCH, "rm125"),
    ROBOT("38", ROBOT_BIRCH, "rm125"), ROBOT("39", ROBOT_BIRCH, "rm125"),
    // Four-strokes, alder.
    ROBOT("40", ROBOT_ALDER, "crf250"), ROBOT("41", ROBOT_ALDER, "crf250"), ROBOT("42", ROBOT_ALDER, "crf250"),
    ROBOT("43", ROBOT_ALDER, "crf250"), ROBOT("44", ROBOT_ALDER, "crf250"),
    ROBOT("45", ROBOT_ALDER, "kx250f"), ROBOT("46", ROBOT_ALDER, "kx250f"), ROBOT("47", ROBOT_ALDER, "kx250f"),
    ROBOT("48", ROBOT_ALDER, "kx250f"), ROBOT("49", ROBOT_ALDER, "kx250f"),
    ROBOT("50", ROBOT_ALDER, "rmz250"), ROBOT("51", ROBOT_ALDER, "rmz250"), ROBOT("52", ROBOT_ALDER, "rmz250"),
    ROBOT("53", ROBOT_ALDER, "rmz250"),
    ROBOT("54", ROBOT_ALDER, "yz250f"), ROBOT("55", ROBOT_ALDER, "yz250f"), ROBOT("56", ROBOT_ALDER, "yz250f"),
    ROBOT("57", ROBOT_ALDER, "yz250f"), ROBOT("58", ROBOT_ALDER, "yz250f"),
    ROBOT("59", ROBOT_ALDER, "yz250f_se(2006)"),
    // Four-strokes, birch.
    ROBOT("60", ROBOT_BIRCH, "crf250"), ROBOT("61", ROBOT_BIRCH, "crf250"), ROBOT("62", ROBOT_BIRCH, "crf250"),
    ROBOT("63", ROBOT_BIRCH, "crf250"), ROBOT("64", ROBOT_BIRCH, "crf250"),
    ROBOT("65", ROBOT_BIRCH, "kx250f"), ROBOT("66", ROBOT_BIRCH, "kx250f"), ROBOT("67", ROBOT_BIRCH, "kx250f"),
    ROBOT("68", ROBOT_BIRCH, "kx250f"), ROBOT("69", ROBOT_BIRCH, "kx250f"),
    ROBOT("70", ROBOT_BIRCH, "rmz250"), ROBOT("71", ROBOT_BIRCH, "rmz250"), ROBOT("72", ROBOT_BIRCH, "rmz250"),
    ROBOT("73", ROBOT_BIRCH, "rmz250"), ROBOT("74", ROBOT_BIRCH, "rmz250"),
    ROBOT("75", ROBOT_BIRCH, "yz250f"), ROBOT("76", ROBOT_BIRCH, "yz250f"), ROBOT("77", ROBOT_BIRCH, "yz250f"),
    ROBOT("78", ROBOT_BIRCH, "yz250f"),
    ROBOT("79", ROBOT_BIRCH, "yz250f_se(2006)"),
    // Four-strokes, cedar.
    ROBOT("80", ROBOT_CEDAR, "crf250"), ROBOT("81", ROBOT_CEDAR, "crf250"), ROBOT("82", ROBOT_CEDAR, "crf250"),
    ROBOT("83", ROBOT_CEDAR, "crf250"), ROBOT("84", ROBOT_CEDAR, "crf250"),
    ROBOT("85", ROBOT_CEDAR, "kx250f"), ROBOT("86", ROBOT_CEDAR, "kx250f"), ROBOT("87", ROBOT_CEDAR, "kx250f"),
    ROBOT("88", ROBOT_CEDAR, "kx250f"), ROBOT("89", ROBOT_CEDAR, "kx250f"),
    ROBOT("90", ROBOT_CEDAR, "yz250f"), ROBOT("91", ROBOT_CEDAR, "yz250f"), ROBOT("92", ROBOT_CEDAR, "yz250f"),
    ROBOT("93", ROBOT_CEDAR, "yz250f"), ROBOT("94", ROBOT_CEDAR, "yz250f"),
    ROBOT("95", ROBOT_CEDAR, "rmz250"), ROBOT("96", ROBOT_CEDAR, "rmz250"), ROBOT("97", ROBOT_CEDAR, "rmz250"),
    ROBOT("98", ROBOT_CEDAR, "rmz250"), ROBOT("99", ROBOT_CEDAR, "rmz250"),
};

#undef ROBOT

// The robot an unknown line-up code gets.
static const char* const plain_robot_bike = "rm125";

const RobotEntry* robot_roster() { return roster_entries; }

int robot_roster_find(int number) {
  // Entry i carries number 20 + i.
  if (number < 20 || number >= 20 + ROSTER_SIZE) return -1;
  return number - 20;
}

void roster_shuffle(RosterOrder& order, std::mt19937& random) {
  for (int i = 0; i < ROSTER_SIZE; ++i) order.order[i] = i;
  for (int n = ROSTER_SIZE - 1; n >= 1; --n) {
    uint32_t r = uint32_t(random());
    int j = int((r / 65536) % uint32_t(n));
    int t = order.order[n];
    order.order[n] = order.order[j];
    order.order[j] = t;
  }
}

// Whether a robot fits a line-up code 2, 3 or 4.
static bool lineup_robot_fits(const RobotEntry& robot, int code) {
  if (code == LINEUP_ROBOT_125) return strstr(robot.bike, "125") != nullptr;
  if (code == LINEUP_ROBOT_250) return strstr(robot.bike, "250") != nullptr;
  return true;
}

// The next robot for code 2, 3 or 4: the first one in the shuffled order
// among those of its kind that have ridden least in this race. Codes 2, 3
// and 4 share the ride counts, so none of them hands out a robot twice while
// a robot of the asked kind is still unused; once a kind is used up the
// next pass goes round the shuffled order again. -1 when no robot fits.
static int lineup_next_robot(const RosterOrder& order, const int rides[ROSTER_SIZE], int code) {
  int best = -1;
  for (int i = 0; i < ROSTER_SIZE; ++i) {
    int robot = order.order[i];
    if (robot < 0 || robot >= ROSTER_SIZE) continue;  // a damaged order never reads past the roster
    if (!lineup_robot_fits(roster_entries[robot], code)) continue;
    if (best < 0 || rides[robot] < rides[best]) best = robot;
  }
  return best;
}

static void lineup_set_robot(SlotRider& slot, int robot) {
  slot.kind = SLOT_RIDER_ROBOT;
  slot.robot = robot;
  slot.bike = bike_name_alias(robot >= 0 ? roster_entries[robot].bike : plain_robot_bike);
}

void lineup_resolve(LineUpPlan& plan, const int codes[LINEUP_SLOTS], const RosterOrder& order, bool demo) {
  plan = LineUpPlan{};
  int rides[ROSTER_SIZE] = {};

  // Robots asked for by number are placed first, so the robots handed out
  // in turn keep clear of them wherever they stand in the line-up.
  for (int s = 0; s < LINEUP_SLOTS; ++s) {
    if (codes[s] < LINEUP_ROBOT_NUMBER) continue;
    int robot = robot_roster_find(codes[s] - LINEUP_ROBOT_NUMBER);
    if (robot < 0) continue;  // names no robot: the slot stays empty
    lineup_set_robot(plan.slot[s], robot);
    ++rides[robot];
  }

  for (int s = 0; s < LINEUP_SLOTS; ++s) {
    int code = codes[s];
    SlotRider& slot = plan.slot[s];
    if (code >= LINEUP_ROBOT_NUMBER) continue;  // done above
    if (code == LINEUP_HUMAN) {
      if (plan.viewed < 0) {
        plan.viewed = s;
        slot.kind = SLOT_RIDER_HUMAN;
        continue;
      }
      code = LINEUP_EMPTY;  // only the first human counts
    }
    switch (code) {
      case LINEUP_EMPTY:
        if (demo) slot.kind = SLOT_RIDER_DEMO;
        break;
      case LINEUP_ROBOT:
      case LINEUP_ROBOT_125:
      case LINEUP_ROBOT_250: {
        int robot = lineup_next_robot(order, rides, code);
        if (robot < 0) break;
        lineup_set_robot(slot, robot);
        ++rides[robot];
        break;
      }
      case LINEUP_REMOTE:
        slot.kind = SLOT_RIDER_REMOTE;
        break;
      default:
        lineup_set_robot(slot, -1);
        break;
    }
  }
}

std::string bike_name_alias(const std::string& name) {
  static const char* const aliases[][2] = {
      {"crf250", "crf250(2008)"},
      {"kx250f", "kx250f(2008)"},
      {"rmz250", "rmz250(2008)"},
      {"yz250f", "yz250f(2008)"},
  };
  for (const auto& alias : aliases)
    if (name == alias[0]) return alias[1];
  return name;
}
