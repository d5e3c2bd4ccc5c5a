// Beginning a race on a track and the time trial's start line: a bike is put
// at the timing gate three before the end of lap 1, facing along the track,
// clear of the ground, with its gate counter at that gate.
#include "race/race_start.h"

#include <gtest/gtest.h>

#include <ode/ode.h>

#include <cmath>
#include <memory>

#include "bike/bike_spec.h"
#include "bikerig/bike_rig.h"
#include "test_util.h"
#include "track/gates.h"

namespace {

struct Start : ::testing::Test {
  TempDir dir;
  BikeRig rig;
  std::unique_ptr<CurrentTrack> track = std::make_unique<CurrentTrack>();
  std::unique_ptr<SimWorld> w = std::make_unique<SimWorld>();
  std::unique_ptr<LapRace> laps = std::make_unique<LapRace>();
  std::unique_ptr<RaceControl> rc = std::make_unique<RaceControl>();

  void SetUp() override {
    ASSERT_TRUE(bike_rig_open(rig, dir.path));
    w->physics = &rig.physics;
    w->shapes = &rig.shapes;
    bike_rig_terrain(track->terrain, 8, 4, 0);
    track->folder = "tracks/flat";
    // Six checkpoints round a square: a first lap of 6 and laps of 6. The
    // fourth (index 3) points along -z, the others carry no direction.
    const float points[6][2] = {{300, 300}, {600, 300}, {700, 500}, {700, 700}, {400, 800}, {300, 600}};
    for (int i = 0; i < 6; ++i) {
      Checkpoint cp{};
      cp.position[0] = points[i][0];
      cp.position[2] = points[i][1];
      cp.size = 20;
      if (i == 3) cp.direction[2] = -1;
      track->gates.checkpoints.push_back(cp);
      track->gates.sequence.push_back(i);
    }
    for (int i = 0; i < 6; ++i) track->gates.sequence.push_back(i);
    track->gates.first_lap_length = track->gates.first_lap_counted = 6;
    track->gates.normal_lap_length = track->gates.normal_lap_counted = 6;
  }
  void TearDown() override {
    sim_world_clear(*w);
    terrain_free(track->terrain);
    bike_rig_close(rig);
  }
  // The bike's forward direction on the ground plane.
  static void forward(const BikeSim& b, double& x, double& z) {
    dVector3 back;
    dBodyVectorToWorld(b.body[BIKE_FRAME], 0, 0, 1, back);
    double n = std::hypot(back[0], back[2]);
    x = -back[0] / n;
    z = -back[2] / n;
  }
};

TEST_F(Start, ATimeTrialStartsAtTheGateThreeBeforeTheEndOfLapOne) {
  BikeSim* b = sim_slot_add(*w, 0, bike_catalogue_lookup("cr125"), SIM_LOCAL, false);
  ASSERT_TRUE(b);
  RaceClock clock;
  clock.start_tic = 1700;
  clock.first_tic = 300 * 128;
  clock.laps = clock.lap_count = 1000;
  clock.time_trial = true;
  race_begin(*w, *laps, *rc, RACE_MODE_TIME_TRIAL, *track, clock);
  ASSERT_TRUE(laps->timing);
  EXPECT_EQ(w->tic, 300 * 128);
  EXPECT_EQ(laps->finish_laps, 1000);
  EXPECT_EQ(laps_gate_counter(*laps, 0), 3);  // F - 3
  const dReal* p = dBodyGetPosition(b->body[BIKE_FRAME]);
  EXPECT_NEAR(p[0], 700, 1e-6);
  EXPECT_NEAR(p[2], 700, 1e-6);
  double fx, fz;
  forward(*b, fx, fz);
  EXPECT_NEAR(fx, 0, 1e-6);  // along the gate's direction, -z
  EXPECT_NEAR(fz, -1, 1e-6);
  EXPECT_GT(p[1], b->model->frame_position[1] - 1);

  // Ridden away and fallen over: a restart puts him back as he started.
  laps_set_crossing(*laps, 0, 3, 40000);
  laps_set_gate_counter(*laps, 0, 4, b);
  bike_sim_move(*b, 50, 30, 50);
  ASSERT_TRUE(race_time_trial_place(*w, *laps, 0));
  EXPECT_EQ(laps_gate_counter(*laps, 0), 3);
  EXPECT_EQ(laps_crossing_tic(*laps, 0, 3), -1);
  p = dBodyGetPosition(b->body[BIKE_FRAME]);
  EXPECT_NEAR(p[0], 700, 1e-6);
  EXPECT_NEAR(p[2], 700, 1e-6);
}

TEST_F(Start, WithoutADirectionTheBikeFacesTheNextGateAndShortLapsStartAtTheFirst) {
  track->gates.checkpoints[3].direction[2] = 0;
  BikeSim* b = sim_slot_add(*w, 0, bike_catalogue_lookup("cr125"), SIM_LOCAL, false);
  ASSERT_TRUE(b);
  RaceClock clock;
  race_begin(*w, *laps, *rc, RACE_MODE_NEW, *track, clock);
  ASSERT_TRUE(race_time_trial_place(*w, *laps, 0));
  double fx, fz;
  forward(*b, fx, fz);
  // From gate 3 (700, 700) towards gate 4 (400, 800).
  double n = std::hypot(-300.0, 100.0);
  EXPECT_NEAR(fx, -300 / n, 1e-6);
  EXPECT_NEAR(fz, 100 / n, 1e-6);

  // A first lap of two gates: the attempt starts at gate 0.
  laps->first_lap = 2;
  ASSERT_TRUE(race_time_trial_place(*w, *laps, 0));
  EXPECT_EQ(laps_gate_counter(*laps, 0), 0);
  const dReal* p = dBodyGetPosition(b->body[BIKE_FRAME]);
  EXPECT_NEAR(p[0], 300, 1e-6);
  EXPECT_NEAR(p[2], 300, 1e-6);

  // No bike, a slot out of range, or a track without gates: nothing happens.
  EXPECT_FALSE(race_time_trial_place(*w, *laps, 1));
  EXPECT_FALSE(race_time_trial_place(*w, *laps, -1));
  EXPECT_FALSE(race_time_trial_place(*w, *laps, 400));
  laps->timing = false;
  EXPECT_FALSE(race_time_trial_place(*w, *laps, 0));
}

TEST_F(Start, ModesOfLoadRequests) {
  int lineup[LINEUP_SLOTS] = {};
  TrackLoadRequest r;
  EXPECT_EQ(race_mode_of(r), RACE_MODE_TIME_TRIAL);
  r.lineup = lineup;
  EXPECT_EQ(race_mode_of(r), RACE_MODE_NEW);
  r.demo = true;
  EXPECT_EQ(race_mode_of(r), RACE_MODE_PLAYBACK);
  r.multiplayer = true;
  EXPECT_EQ(race_mode_of(r), RACE_MODE_MULTIPLAYER);
}

}  // namespace
