// Names of the shared scenery files, as track files refer to them ("@" names
// of the game-data folder). The art writers store each under the name
// without its "@".
#pragma once

#define GD_ART_DIR "scenery/"

#define GD_ART_SKY_N "@scenery/sky_n.png"
#define GD_ART_SKY_E "@scenery/sky_e.png"
#define GD_ART_SKY_S "@scenery/sky_s.png"
#define GD_ART_SKY_W "@scenery/sky_w.png"
#define GD_ART_SKY_U "@scenery/sky_u.png"
#define GD_ART_SKY_ENV "@scenery/sky_env.png"
#define GD_ART_FLARE_GLOW "@scenery/flare_glow.png"
#define GD_ART_FLARE_RING "@scenery/flare_ring.png"
#define GD_ART_FLARE_SPOT "@scenery/flare_spot.png"
#define GD_ART_ROOST "@scenery/roost.png"

#define GD_ART_STARTGATE_MODEL "@scenery/startgate.jm"
#define GD_ART_STARTGATE_TEXTURE "@scenery/startgate.png"
#define GD_ART_BANNER_MODEL "@scenery/banner.jm"
#define GD_ART_BANNER_WIDE_MODEL "@scenery/banner_wide.jm"
#define GD_ART_BANNER_TEXTURE "@scenery/banner-repeat.png"  // repeats along the span
#define GD_ART_HAYBALE_MODEL "@scenery/haybale.jm"
#define GD_ART_HAYBALE_TEXTURE "@scenery/haybale.png"
#define GD_ART_HAYBALE_SHAPE "@scenery/haybale.shp"
#define GD_ART_TENT_MODEL "@scenery/tent.jm"
#define GD_ART_TENT_TEXTURE "@scenery/tent.png"
#define GD_ART_TENT_SHAPE "@scenery/tent.shp"
#define GD_ART_TREE_MODEL "@scenery/tree.jm"
#define GD_ART_TREE_TEXTURE "@scenery/tree.png"
#define GD_ART_TREE_SHAPE "@scenery/tree.shp"
#define GD_ART_TOWER_MODEL "@scenery/tower.jm"
#define GD_ART_TOWER_TEXTURE "@scenery/tower.png"
#define GD_ART_TOWER_SHAPE "@scenery/tower.shp"

#define GD_ART_PINE "@scenery/pine.png"
#define GD_ART_OAK "@scenery/oak.png"
#define GD_ART_BUSH "@scenery/bush.png"
#define GD_ART_CROWD "@scenery/crowd.png"

// Start flagger: standing, board shown, board turned, board down, walking
// off; second flagger: four poses; course flaggers: standing and waving.
#define GD_ART_STARTER_PREFIX "@scenery/starter"   // + "1.png" .. "5.png"
#define GD_ART_MARSHAL_PREFIX "@scenery/marshal"   // + "1.png" .. "4.png"
#define GD_ART_FLAGGER_IDLE "@scenery/flagger_idle.png"
#define GD_ART_FLAGGER_WAVE "@scenery/flagger_wave.png"

#define GD_ART_DECAL_PAD "@scenery/pad.png"
#define GD_ART_DECAL_RUTS "@scenery/ruts.png"
#define GD_ART_DECAL_PUDDLE "@scenery/puddle.png"
