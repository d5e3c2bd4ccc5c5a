// Feeds arbitrary bytes to the setup file reader as "@setups/fuzz", applies
// the result to every bike and checks that what reaches the physics is
// finite and inside its clamps, and that the setup writes back.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "bike/bike_spec.h"
#include "bike/rider_params.h"
#include "bike/setup.h"
#include "platform/messages.h"
#include "vfs/vfs.h"

static std::string fuzz_folder() {
  static std::string folder;
  if (folder.empty()) {
    char name[] = "/tmp/setup-fuzz-XXXXXX";
    if (!mkdtemp(name)) abort();
    folder = name;
    mkdir((folder + "/home").c_str(), 0755);
    mkdir((folder + "/home/setups").c_str(), 0755);
  }
  return folder;
}

static void quiet(void*, const char*) {}

static void check(bool ok) {
  if (!ok) abort();
}

static bool within(double v, double lo, double hi) { return v >= lo && v <= hi; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  message_set_sink(quiet, nullptr);
  std::string path = fuzz_folder() + "/home/setups/fuzz";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  Vfs vfs;
  vfs_set_folders(vfs, fuzz_folder() + "/home/", fuzz_folder() + "/game/");
  Setup s;
  check(setup_file_read(s, vfs, "fuzz"));
  for (size_t i = 0; i < setup_keys().size(); ++i) {
    const SetupKey& k = setup_keys()[i];
    if (k.kind == SETUP_NUMBER) check(within(s.numbers[i], k.min, k.max));
    if (k.kind == SETUP_CHOICE) check(*setup_choice(s, k.key) != 0);
    if (k.kind == SETUP_TEXT) check(int(s.texts[i].size()) <= k.max_length);
  }
  const double pi = 3.14159265358979323846;
  for (int b = 0; b < BIKE_MODELS; b += 7) {
    RiderTuning t = setup_apply(*bike_spec(b), s, true);
    const RiderParams& p = t.params;
    const double* values = &p.final_drive_ratio;
    for (size_t v = 0; v < offsetof(RiderParams, arcade) / sizeof(double); ++v) check(std::isfinite(values[v]));
    check(p.final_drive_ratio > 0 && within(p.roll_limit_angle, 0, pi) && within(p.restricted_lock, 0, pi / 4));
    check(within(p.max_dab_speed, 7, 100) && within(p.rider_fore_aft_damping, 0, 1) && (p.arcade == 0 || p.arcade == 1));
    check(t.masses.frame_mass > 0 && t.masses.rider_mass > 0);
  }
  check(setup_file_write(s, vfs, "fuzz-out"));
  message_set_sink(nullptr, nullptr);
  vfs_shutdown(vfs);
  return 0;
}
