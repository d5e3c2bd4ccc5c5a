// Shut-down: everything is released in a fixed order.
#include "core/app.h"

#include "platform/log.h"
#include "platform/mem.h"

#include <unistd.h>

int app_shutdown(App& app) {
  physics_contacts_destroy(app.physics);
  app_race_free(app);
  physics_world_destroy(app.physics);

  app_status_line(app, "Freeing memory (1)");
  app_status_line(app, "Closing input devices");
  capture_end(app.capture);
  app_release_controls(app);
  app_status_line(app, "Closing audio");
  if (app.record_audio) fclose(app.record_audio);
  app.record_audio = nullptr;
  app.audio_open = false;
  app_status_line(app, "Writing config files");
  settings_write(app.settings, app.vfs);
  app_status_line(app, "Freeing memory (2)");
  app.tracks.tracks.clear();
  app.lists.series.clear();
  app_status_line(app, "Freeing memory (3)");
  data_lists_free(app.lists);
  app_status_line(app, "Freeing file list");
  vfs_shutdown(app.vfs);
  app_status_line(app, "Freeing memory (4)");
  app_status_line(app, "Deleting textures");
  app_status_line(app, "Deleting models");

  window_close(app.window);
  app.window = nullptr;
  log_close();
  if (mem_global().state == MEMCHECK_ON) mem_report();
  sleep(1);
  return 0;
}
