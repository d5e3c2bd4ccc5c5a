#include "gamedata/track_defs.h"

#include <cstring>

// Corners are arcs given by their two ends and the points at 45 degrees
// between, so the curve keeps a steady radius through them.
static const double diag = 0.70710678118654752;

// Clay Pit: 1024 ft square, about 3300 ft a lap. A wide start pad funnels
// into a long start straight; then a rhythm lane, a tabletop, a double into
// sand whoops, a big tabletop and a triple, a step-up climbing the hill, a
// second rhythm lane coming down it, a tabletop and a double into a muddy
// hairpin, and the back straight with a big tabletop, a double, rollers and
// the finish jump. Every corner is bermed.
static const GdPoint claypit_loop[] = {
    {200, 160}, {380, 160}, {560, 160},                                           // 0-2 start straight
    {560 + 60 * diag, 220 - 60 * diag}, {620, 220},                               // 3-4 turn 1
    {620, 300}, {620, 380},                                                       // 5-6 rhythm lane
    {680 - 60 * diag, 380 + 60 * diag}, {680, 440},                               // 7-8 turn 2
    {740, 440}, {800, 440},                                                       // 9-10 tabletop
    {800 + 60 * diag, 500 - 60 * diag}, {860, 500},                               // 11-12 turn 3
    {860, 630}, {860, 760},                                                       // 13-14 double, sand whoops
    {800 + 60 * diag, 760 + 60 * diag}, {800, 820},                               // 15-16 turn 4
    {680, 820}, {560, 820},                                                       // 17-18 tabletop, triple
    {560 - 60 * diag, 760 + 60 * diag}, {500, 760},                               // 19-20 turn 5
    {500, 680}, {500, 600},                                                       // 21-22 step-up, uphill
    {440 + 60 * diag, 600 - 60 * diag}, {440, 540},                               // 23-24 turn 6
    {370, 540}, {300, 540},                                                       // 25-26 rhythm lane, downhill
    {300 - 60 * diag, 600 - 60 * diag}, {240, 600},                               // 27-28 turn 7
    {240, 700}, {240, 800},                                                       // 29-30 tabletop, double
    {190 + 50 * diag, 800 + 50 * diag}, {190, 850}, {190 - 50 * diag, 800 + 50 * diag},  // 31-33 hairpin
    {140, 800}, {140, 650}, {140, 500}, {140, 360}, {140, 220},                   // 34-38 back straight
    {200 - 60 * diag, 220 - 60 * diag},                                           // 39 last turn
};

static const GdBump claypit_bumps[] = {
    // at, offset, rise, top, fall, height, across, repeat, lip
    {2, -15, 15, 94, 15, 6.0, GD_ACROSS_BANK, 1, false},    // turn 1
    {4, 12, 8, 0, 8, 3.0, GD_ACROSS_FULL, 8, false},        // rhythm lane
    {6, -15, 15, 94, 15, 5.5, GD_ACROSS_BANK, 1, false},    // turn 2
    {8, 10, 18, 30, 18, 5.0, GD_ACROSS_FULL, 1, false},     // tabletop
    {10, -15, 15, 94, 15, 6.0, GD_ACROSS_BANK, 1, false},   // turn 3
    {12, 15, 18, 2, 10, 6.5, GD_ACROSS_FULL, 1, true},      // double: kicker,
    {12, 75, 8, 4, 26, 5.5, GD_ACROSS_FULL, 1, false},      // landing
    {12, 130, 5, 0, 5, 1.4, GD_ACROSS_FULL, 11, false},     // sand whoops
    {14, -15, 15, 94, 15, 6.0, GD_ACROSS_BANK, 1, false},   // turn 4
    {16, 20, 24, 40, 24, 7.0, GD_ACROSS_FULL, 1, false},    // big tabletop
    {16, 130, 16, 2, 10, 5.5, GD_ACROSS_FULL, 1, true},     // triple: kicker,
    {16, 190, 8, 2, 20, 5.0, GD_ACROSS_FULL, 1, false},     // landing
    {18, -15, 15, 94, 15, 6.0, GD_ACROSS_BANK, 1, false},   // turn 5
    {20, 20, 16, 2, 8, 4.5, GD_ACROSS_FULL, 1, true},       // step-up: kicker,
    {20, 70, 10, 40, 20, 4.0, GD_ACROSS_FULL, 1, false},    // plateau
    {22, -15, 15, 94, 15, 5.0, GD_ACROSS_BANK, 1, false},   // turn 6
    {24, 10, 9, 2, 9, 3.5, GD_ACROSS_FULL, 5, false},       // rhythm lane downhill
    {26, -15, 15, 94, 15, 5.0, GD_ACROSS_BANK, 1, false},   // turn 7
    {28, 25, 20, 30, 20, 5.5, GD_ACROSS_FULL, 1, false},    // tabletop
    {28, 110, 14, 2, 8, 4.5, GD_ACROSS_FULL, 1, true},      // double: kicker,
    {28, 155, 6, 2, 16, 4.0, GD_ACROSS_FULL, 1, false},     // landing
    {30, -15, 15, 157, 15, 7.0, GD_ACROSS_BANK, 1, false},  // hairpin
    {34, 30, 24, 40, 24, 7.0, GD_ACROSS_FULL, 1, false},    // big tabletop
    {34, 170, 18, 2, 10, 6.5, GD_ACROSS_FULL, 1, true},     // double: kicker,
    {34, 230, 8, 4, 26, 5.5, GD_ACROSS_FULL, 1, false},     // landing
    {34, 320, 8, 0, 8, 2.5, GD_ACROSS_FULL, 4, false},      // rollers
    {34, 430, 18, 20, 18, 5.0, GD_ACROSS_FULL, 1, false},   // finish jump
    {38, -15, 15, 94, 15, 5.0, GD_ACROSS_BANK, 1, false},   // last turn
};

// 20 gates 3.5 ft apart need a pad 72 ft wide; it narrows to the track's 22
// ft over 160 ft, like a funnel into the first straight.
static const GdWiden claypit_widen[] = {{{0, 25}, 15, 40, 160, 50}};

static const GdMound claypit_mounds[] = {
    {470, 650, 170, 16},  // the hill the step-up climbs
    {400, 400, 100, 9},   // the spectators' hill inside the course
};

static const GdSection claypit_sections[] = {
    {{0, -10}, 340, GD_SURFACE_HARDPACK},  // start pad and straight
    {{12, 120}, 130, GD_SURFACE_SAND},     // whoops
    {{30, -25}, 200, GD_SURFACE_MUD},      // hairpin
};

static const GdPatch claypit_patches[] = {{300, 225, 520, 300, GD_SURFACE_HARDPACK, 0.8}};  // paddock

// Sand Hill: a short rounded square, 256 ft across, clockwise: tabletop,
// rollers, a double and whoops between four berms, in sand.
static const GdPoint sandhill_loop[] = {
    {82, 50}, {174, 50}, {174 + 32 * diag, 82 - 32 * diag},    // 0-2 top straight, corner
    {206, 82}, {206, 174}, {174 + 32 * diag, 174 + 32 * diag},  // 3-5 right side, corner
    {174, 206}, {82, 206}, {82 - 32 * diag, 174 + 32 * diag},   // 6-8 bottom, corner
    {50, 174}, {50, 82}, {82 - 32 * diag, 82 - 32 * diag},      // 9-11 left side, corner
};

static const GdBump sandhill_bumps[] = {
    {0, 36, 14, 12, 14, 4.0, GD_ACROSS_FULL, 1, false},  // tabletop
    {1, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {3, 10, 7, 0, 7, 2.0, GD_ACROSS_FULL, 5, false},  // rollers
    {4, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {6, 8, 14, 2, 8, 4.0, GD_ACROSS_FULL, 1, true},  // double
    {6, 46, 6, 2, 20, 3.5, GD_ACROSS_FULL, 1, false},
    {7, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {9, 14, 4, 0, 4, 1.0, GD_ACROSS_FULL, 8, false},  // whoops
    {10, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
};

static const GdWiden sandhill_widen[] = {{{0, 2}, 6, 16, 20, 16}};

static const GdSection sandhill_sections[] = {{{11, 0}, 70, GD_SURFACE_HARDPACK}};

#define COUNT(a) int(sizeof(a) / sizeof((a)[0]))

static const GdTrack tracks[] = {
    {
        .folder = "claypit",
        .name = "Clay Pit MX",
        .exponent = 8,
        .spacing = 2.0,
        .width = 22,
        .shoulder = 12,
        .controls = claypit_loop,
        .control_count = COUNT(claypit_loop),
        .bumps = claypit_bumps,
        .bump_count = COUNT(claypit_bumps),
        .ground = {10, 2.5, 340, 26, 90, 0.5},
        .widen = claypit_widen,
        .widen_count = COUNT(claypit_widen),
        .mounds = claypit_mounds,
        .mound_count = COUNT(claypit_mounds),
        .ground_surface = GD_SURFACE_GRASS,
        .line_surface = GD_SURFACE_DIRT,
        .sections = claypit_sections,
        .section_count = COUNT(claypit_sections),
        .patches = claypit_patches,
        .patch_count = COUNT(claypit_patches),
        .start = {0, 70},
        .gate_count = 20,
        .gate_pitch = 3.5,
        .finish = {37, 70},
        .checkpoint_pitch = 160,
        .lighting = {{0.62, 0.40, 0.55},  // a late-afternoon sun, 27 degrees up
                     {0.95, 0.90, 0.80},
                     {0.50, 0.52, 0.58},
                     {0.20, 0.20, 0.22},
                     {0.70, 0.75, 0.82},
                     0.0004,
                     0.5,
                     4000},
        .seed = 7,
        .tree_count = 260,
    },
    {
        .folder = "sandhill",
        .name = "Sand Hill MX",
        .exponent = 6,
        .spacing = 2.0,
        .width = 20,
        .shoulder = 10,
        .controls = sandhill_loop,
        .control_count = COUNT(sandhill_loop),
        .bumps = sandhill_bumps,
        .bump_count = COUNT(sandhill_bumps),
        .ground = {6, 2, 160, 10, 28, 0.4},
        .widen = sandhill_widen,
        .widen_count = COUNT(sandhill_widen),
        .ground_surface = GD_SURFACE_GRASS,
        .line_surface = GD_SURFACE_SAND,
        .sections = sandhill_sections,
        .section_count = COUNT(sandhill_sections),
        .start = {0, 14},
        .gate_count = 10,
        .gate_pitch = 3.5,
        .finish = {10, 30},
        .checkpoint_pitch = 90,
        .lighting = {{-0.50, 0.45, 0.65},
                     {0.95, 0.86, 0.72},
                     {0.50, 0.50, 0.54},
                     {0.20, 0.20, 0.20},
                     {0.80, 0.78, 0.72},
                     0.0008,
                     0.5,
                     2000},
        .seed = 11,
        .tree_count = 40,
    },
};

const GdTrack* gd_tracks(int& count) {
  count = COUNT(tracks);
  return tracks;
}

const GdTrack* gd_track_find(const char* folder) {
  for (const GdTrack& t : tracks)
    if (strcmp(t.folder, folder) == 0) return &t;
  return nullptr;
}
