// The bike and rider files of the generated folder, read the way the game
// reads them: through the file system by the "@" names the catalogue holds.
// Every name of every record opens; every model parses and its triangles
// are sound; the parts sit where the catalogue's bodies and contact points
// are; the rider's skin follows the catalogue's bones; the liveries wear
// their make's colours; the number fonts cut into ten digit cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bike/bike_spec.h"
#include "gamedata/art_bikes.h"
#include "gamedata/gd_folder.h"
#include "render/image_file.h"
#include "test_util.h"
#include "vfs/vfs.h"

namespace {

struct Vec {
  double x, y, z;  // feet
};

Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double length(Vec a) { return std::sqrt(dot(a, a)); }
Vec at(const float* v) { return {v[0], v[1], v[2]}; }

// Distance from p to the segment from a to b.
double segment_distance(Vec p, Vec a, Vec b) {
  Vec d = b - a;
  double t = std::clamp(dot(p - a, d) / dot(d, d), 0.0, 1.0);
  return length(a + d * t - p);
}

struct Vertex {
  Vec p;                        // position in the model's body coordinates
  Vec n;                        // normal
  std::vector<double> weights;  // one per bone
};

struct Model {
  int bones = 0;                 // 0 for "JM1"
  std::vector<Vertex> vertices;  // of every mesh
  std::vector<int> triangles;    // three indices into vertices each
  int meshes = 0;                // meshes read
};

// Distance from p to the triangle abc (the closest point of a triangle,
// by the region of the triangle's plane it falls into).
double triangle_distance(Vec p, Vec a, Vec b, Vec c) {
  Vec ab = b - a, ac = c - a, ap = p - a;
  double d1 = dot(ab, ap), d2 = dot(ac, ap);
  if (d1 <= 0 && d2 <= 0) return length(p - a);
  Vec bp = p - b;
  double d3 = dot(ab, bp), d4 = dot(ac, bp);
  if (d3 >= 0 && d4 <= d3) return length(p - b);
  double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return length(p - (a + ab * (d1 / (d1 - d3))));
  Vec cp = p - c;
  double d5 = dot(ab, cp), d6 = dot(ac, cp);
  if (d6 >= 0 && d5 <= d6) return length(p - c);
  double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return length(p - (a + ac * (d2 / (d2 - d6))));
  double va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return length(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
  double denom = 1 / (va + vb + vc);
  return length(p - (a + ab * (vb * denom) + ac * (vc * denom)));
}

// Distance from p to the surface of the model moved by offset.
double surface_distance(const Model& m, Vec offset, Vec p) {
  double best = 1e9;
  for (size_t t = 0; t + 2 < m.triangles.size(); t += 3)
    best = std::min(best, triangle_distance(p - offset, m.vertices[size_t(m.triangles[t])].p,
                                            m.vertices[size_t(m.triangles[t + 1])].p,
                                            m.vertices[size_t(m.triangles[t + 2])].p));
  return best;
}

// The catalogue's file names of one record, with what each must be.
enum Kind { MODEL, TEXTURE, SHAPE };
struct Named {
  const char* field;  // which of the record's names
  const char* name;   // the "@" name
  Kind kind;          // what it must open as
};

std::vector<Named> names_of(const BikeSpec& b) {
  return {{"frame model", b.frame_model, MODEL},
          {"frame shape", b.frame_shape, SHAPE},
          {"bike texture", b.bike_texture, TEXTURE},
          {"fork upper model", b.fork_upper_model, MODEL},
          {"fork upper shape", b.fork_upper_shape, SHAPE},
          {"fork lower model", b.fork_lower_model, MODEL},
          {"fork lower shape", b.fork_lower_shape, SHAPE},
          {"swingarm model", b.swingarm_model, MODEL},
          {"swingarm shape", b.swingarm_shape, SHAPE},
          {"front wheel model", b.front_wheel_model, MODEL},
          {"front wheel shape", b.front_wheel_shape, SHAPE},
          {"rear wheel model", b.rear_wheel_model, MODEL},
          {"rear wheel shape", b.rear_wheel_shape, SHAPE},
          {"wheel texture", b.wheel_texture, TEXTURE},
          {"head model", b.head_model, MODEL},
          {"head texture", b.head_texture, TEXTURE},
          {"rider body model", b.rider_body_model, MODEL},
          {"first-person model", b.first_person_model, MODEL},
          {"rider shape", b.rider_shape, SHAPE},
          {"rider texture", b.rider_texture, TEXTURE},
          {"side plates model", b.side_plates_model, MODEL},
          {"front plate model", b.front_plate_model, MODEL},
          {"rider plate model", b.rider_plate_model, MODEL}};
}

class GeneratedBikes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    ASSERT_TRUE(gd_folder_write(dir_->path));
    vfs_ = std::make_unique<Vfs>();
    vfs_set_folders(*vfs_, "", dir_->path);
  }
  static void TearDownTestSuite() {
    vfs_shutdown(*vfs_);
    vfs_.reset();
    dir_.reset();
    models_.clear();
  }

  // Reads a ".jm" as the game's model reader does: "JM%d", for version 2
  // the bone count and a word, then meshes of a seven-number header, the
  // vertices (position, normal, u, v and a weight per bone) and the
  // triangles, until the file ends. Every triangle's indices must be in
  // range, its corners apart and its face turned the way its normals point;
  // every normal of unit length and every vertex's weights sum to 1.
  static ::testing::AssertionResult load(const std::string& name, const Model*& out) {
    auto found = models_.find(name);
    if (found != models_.end()) return out = &found->second, ::testing::AssertionSuccess();
    VfsFile* f = vfs_open(*vfs_, name.c_str(), "rb");
    if (!f) return ::testing::AssertionFailure() << name << " does not open";
    Model m;
    auto fail = [&](const std::string& why) {
      vfs_close(f);
      return ::testing::AssertionFailure() << name << ": " << why;
    };
    int version = 0;
    if (vfs_scanf(f, "JM%d", &version) != 1 || (version != 1 && version != 2)) return fail("not JM1 or JM2");
    if (version == 2) {
      char word[1024];
      if (vfs_scanf(f, "%d %1023s", &m.bones, word) != 2 || m.bones < 1) return fail("bad bone line");
    }
    for (;;) {
      float shininess, alpha, r, g, b;
      int nv, nt;
      if (vfs_scanf(f, "%f %f %f %f %f %d %d", &shininess, &alpha, &r, &g, &b, &nv, &nt) != 7) break;
      if (nv <= 0 || nt <= 0) return fail("empty mesh");
      size_t first = m.vertices.size();
      for (int i = 0; i < nv; ++i) {
        float v[8];
        if (vfs_scanf(f, "%f %f %f %f %f %f %f %f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]) != 8)
          return fail("short vertex");
        Vertex x{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {}};
        if (std::fabs(length(x.n) - 1) > 2e-3) return fail("normal of length " + std::to_string(length(x.n)));
        double sum = 0;
        for (int k = 0; k < m.bones; ++k) {
          float w;
          if (vfs_scanf(f, "%f", &w) != 1 || w < 0) return fail("bad weight");
          x.weights.push_back(w);
          sum += w;
        }
        if (m.bones && std::fabs(sum - 1) > 1e-3) return fail("weights summing to " + std::to_string(sum));
        m.vertices.push_back(x);
      }
      for (int t = 0; t < nt; ++t) {
        int i[3];
        if (vfs_scanf(f, "%d %d %d", &i[0], &i[1], &i[2]) != 3) return fail("short triangle");
        for (int k : i)
          if (k < 0 || k >= nv) return fail("index " + std::to_string(k) + " of " + std::to_string(nv));
        const Vertex &a = m.vertices[first + i[0]], &b2 = m.vertices[first + i[1]], &c = m.vertices[first + i[2]];
        Vec face = cross(b2.p - a.p, c.p - a.p);
        if (dot(face, face) < 1e-14) return fail("degenerate triangle " + std::to_string(t));
        if (dot(face, a.n + b2.n + c.n) <= 0) return fail("triangle " + std::to_string(t) + " faces inwards");
        for (int k : i) m.triangles.push_back(int(first) + k);
      }
      ++m.meshes;
    }
    bool at_end = vfs_skip_space(f) < 0;
    vfs_close(f);
    if (!at_end) return ::testing::AssertionFailure() << name << ": text after the last mesh";
    if (!m.meshes) return ::testing::AssertionFailure() << name << ": no mesh";
    out = &(models_[name] = std::move(m));
    return ::testing::AssertionSuccess();
  }

  static ::testing::AssertionResult image(const std::string& name, ImageFile& out) {
    VfsFile* f = vfs_open(*vfs_, name.c_str(), "rb");
    if (!f) return ::testing::AssertionFailure() << name << " does not open";
    bool ok = png_read_rgb(f, out);
    vfs_close(f);
    if (!ok) return ::testing::AssertionFailure() << name << " does not decode";
    return ::testing::AssertionSuccess();
  }

  static std::string text(const std::string& name) {
    VfsFile* f = vfs_open(*vfs_, name.c_str(), "rb");
    std::string out;
    if (!f) return out;
    char buffer[4096];
    int n;
    while ((n = vfs_read(f, buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    vfs_close(f);
    return out;
  }

  static const BikeSpec& record(int i) { return bike_catalogue()[i]; }

  inline static std::unique_ptr<TempDir> dir_;
  inline static std::unique_ptr<Vfs> vfs_;
  inline static std::map<std::string, Model> models_;
};

TEST_F(GeneratedBikes, EveryNameOfEveryRecordOpensAndParses) {
  std::set<std::string> done;
  for (int i = 0; i < BIKE_MODELS; ++i) {
    SCOPED_TRACE(record(i).name);
    for (const Named& n : names_of(record(i))) {
      SCOPED_TRACE(n.field);
      ASSERT_EQ(n.name[0], '@') << n.name;
      if (!done.insert(n.name).second) continue;
      if (n.kind == MODEL) {
        const Model* m;
        EXPECT_TRUE(load(n.name, m));
      } else if (n.kind == TEXTURE) {
        ImageFile im;
        ASSERT_TRUE(image(n.name, im));
        EXPECT_EQ(im.width, 128);
        EXPECT_EQ(im.height, 128);
      } else {
        VfsFile* f = vfs_open(*vfs_, n.name, "rb");
        EXPECT_TRUE(f) << n.name;
        if (f) vfs_close(f);
      }
    }
  }
}

// Each wheel turns about its axle: centred on it and inside the tyre's
// outer radius, which the tread reaches.
TEST_F(GeneratedBikes, WheelsAreCentredOnTheirAxlesWithinTheTyre) {
  const BikeSpec& b = record(0);
  struct Case {
    const char* name;     // the wheel's model
    BikeWheelSpec wheel;  // its axle and radii
  } cases[] = {{b.front_wheel_model, b.front_wheel}, {b.rear_wheel_model, b.rear_wheel}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Model* m;
    ASSERT_TRUE(load(c.name, m));
    double outer = c.wheel.rim_radius + c.wheel.tyre_radius, reach = 0;
    Vec lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Vertex& v : m->vertices) {
      reach = std::max(reach, std::hypot(v.p.y, v.p.z));
      lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
      hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    EXPECT_LE(reach, outer + 1e-3);
    EXPECT_GE(reach, outer - 0.01);
    EXPECT_NEAR(lo.y + hi.y, 0, 0.02);
    EXPECT_NEAR(lo.z + hi.z, 0, 0.02);
    EXPECT_LE(std::max(-lo.x, hi.x), c.wheel.tyre_radius);  // no wider than the tyre section
  }
}

// Every family's parts, put at their bodies' rest positions, stand above
// the ground inside the bike's outline, and reach the catalogue's points:
// the pegs, the grips, the front axle between the fork lugs, the rear axle
// between the swingarm's arms.
TEST_F(GeneratedBikes, PartsSitOnTheirBodiesAndReachTheCataloguePoints) {
  for (const GdBikeFamily& family : gd_bike_families()) {
    const BikeSpec& b = record(family.record);
    SCOPED_TRACE(family.name);
    Vec frame = at(b.frame_position), fork = at(b.fork_upper_position), lower = at(b.fork_lower_position);
    Vec swingarm = at(b.swingarm_position);
    Vec front = at(b.front_wheel.axle), rear = at(b.rear_wheel.axle);
    double leg = b.fork_leg_spacing / 2;
    struct Part {
      const char* name;          // the part's model
      Vec body;                  // its body's rest position
      std::vector<Vec> reaches;  // points its surface passes near, bike coordinates
    } parts[] = {
        {b.frame_model, frame, {frame + at(b.attachment + BIKE_ATTACH_LEFT_FRAME),
                                frame + at(b.attachment + BIKE_ATTACH_RIGHT_FRAME)}},
        {b.fork_upper_model, fork, {fork + at(b.attachment + BIKE_ATTACH_LEFT_GRIP),
                                    fork + at(b.attachment + BIKE_ATTACH_RIGHT_GRIP)}},
        {b.fork_lower_model, lower, {front + Vec{-leg, 0, 0}, front + Vec{leg, 0, 0}}},
        {b.swingarm_model, swingarm, {rear + Vec{-leg, 0, 0}, rear + Vec{leg, 0, 0}}},
        {b.side_plates_model, frame, {}},
        {b.front_plate_model, fork, {}},
    };
    for (const Part& part : parts) {
      SCOPED_TRACE(part.name);
      const Model* m;
      ASSERT_TRUE(load(part.name, m));
      for (const Vertex& v : m->vertices) {
        Vec p = v.p + part.body;
        ASSERT_GT(p.y, 0.5);
        ASSERT_LT(p.y, 4.5);
        ASSERT_LT(std::fabs(p.x), 1.4);
        ASSERT_GT(p.z, front.z - 1.3);
        ASSERT_LT(p.z, rear.z + 1.2);
      }
      for (Vec point : part.reaches) EXPECT_LT(surface_distance(*m, part.body, point), 0.1);
    }
  }
}

// The rider's skin: nine bones; every vertex follows one limb segment (from
// its bone's centre, a drawing point of the catalogue, along the limb by
// the catalogue's segment length) and lies nearer that segment than any
// other, or follows the torso about the spine. The
// first-person body keeps the limbs but nothing in front of the eyes, and
// the back plate sits on the outside of the jersey.
TEST_F(GeneratedBikes, RiderSkinFollowsTheCatalogueBones) {
  const BikeSpec& b = record(0);
  const float* dp = b.attachment + BIKE_ATTACH_DRAWING_POINTS;
  const float* len = b.attachment + BIKE_ATTACH_LENGTHS;
  auto point = [&](int i) { return at(dp + 3 * i); };
  auto along = [&](int from, int away_from, double l) {
    Vec d = point(from) - point(away_from);
    return point(from) + d * (l / length(d));
  };
  // Each limb bone's segment: forearms, upper arms, shins, thighs.
  struct Segment {
    Vec a;  // the bone's centre
    Vec b;  // the far end of its limb segment
  } seg[8] = {
      {point(0), along(0, 2, len[1])}, {point(1), along(1, 3, len[1])}, {point(2), point(0)},
      {point(3), point(1)},            {point(4), along(4, 6, len[3])}, {point(5), along(5, 7, len[3])},
      {point(6), point(4)},            {point(7), point(5)},
  };
  // The limb of each bone (left arm, right arm, left leg, right leg) and
  // each limb's inner bone (upper arm or thigh).
  const int limb[8] = {0, 1, 0, 1, 2, 3, 2, 3}, inner[4] = {2, 3, 6, 7};
  const Model *body, *fp, *plate;
  ASSERT_TRUE(load(b.rider_body_model, body));
  ASSERT_TRUE(load(b.first_person_model, fp));
  ASSERT_TRUE(load(b.rider_plate_model, plate));
  double back = -1e9;
  for (const Model* m : {body, fp, plate}) {
    ASSERT_EQ(m->bones, 9);
    std::set<int> used;
    for (const Vertex& v : m->vertices) {
      int bone = int(std::max_element(v.weights.begin(), v.weights.end()) - v.weights.begin());
      used.insert(bone);
      if (bone < 8) {
        double own = segment_distance(v.p, seg[bone].a, seg[bone].b), other = 1e9;
        for (int k = 0; k < 8; ++k)
          if (limb[k] != limb[bone]) other = std::min(other, segment_distance(v.p, seg[k].a, seg[k].b));
        EXPECT_LT(own, 0.5) << "bone " << bone;
        EXPECT_LT(own, other) << "bone " << bone;
        // Along its limb from the shoulder or hip: the outer segment's
        // vertices beyond the elbow or knee (less the joint's ball), the
        // inner one's before it.
        Vec root = seg[inner[limb[bone]]].a, joint = seg[inner[limb[bone]]].b;
        double t = dot(v.p - root, joint - root) / length(joint - root), l = length(joint - root);
        if (inner[limb[bone]] == bone) {
          EXPECT_LT(t, l + 0.05) << "bone " << bone;
        } else {
          EXPECT_GT(t, l - 0.25) << "bone " << bone;
        }
      } else {
        EXPECT_LT(std::fabs(v.p.x), 0.5);
        EXPECT_GT(v.p.y, point(8).y - 0.2);
        EXPECT_LT(v.p.y, 1.25);
        if (m == body && std::fabs(v.p.x) < 0.3 && v.p.y > 0.05 && v.p.y < 0.65) back = std::max(back, v.p.z);
      }
      if (m == fp && std::fabs(v.p.x) < 0.35) {
        EXPECT_LT(v.p.y, 0) << "in view of the first-person camera";
      }
    }
    if (m == plate) {
      EXPECT_EQ(used, std::set<int>{8});
    } else {
      for (int k = 0; k < 8; ++k) EXPECT_TRUE(used.count(k)) << "bone " << k;
    }
  }
  for (const Vertex& v : plate->vertices) {
    EXPECT_GT(v.p.z, back);  // outside the jersey, not inside it
    EXPECT_GT(v.n.z, 0.99);  // facing back
  }
}

// Each family's livery is in its make's colours, and its companion names
// the colour of the plates it paints as the number background.
TEST_F(GeneratedBikes, LiveriesWearTheirMakesColours) {
  auto mean = [](const ImageFile& im, const GdUv& uv, int c) {
    double sum = 0;
    int n = 0;
    for (int y = int(uv.y0 * im.height) + 1; y < int(uv.y1 * im.height) - 1; ++y)
      for (int x = int(uv.u0 * im.width) + 1; x < int(uv.u1 * im.width) - 1; ++x, ++n)
        sum += im.pixels[(size_t(y) * im.width + x) * im.channels + c];
    return sum / n / 255;
  };
  // The colour classes, by the plastic's mean red, green and blue.
  auto is = [](GdMake make, double r, double g, double b) {
    switch (make) {
      case GD_HONDA: return r > 0.6 && g < 0.3 && b < 0.3;
      case GD_KAWASAKI: return g > 0.5 && g > r + 0.2 && b < 0.3;
      case GD_SUZUKI: return r > 0.8 && g > 0.6 && b < 0.3;
      case GD_YAMAHA: return b > 0.5 && r < 0.3 && g < 0.4;
      case GD_KTM: return r > 0.8 && g > 0.25 && g < 0.6 && b < 0.2;
      case GD_HUSQVARNA: return r > 0.8 && g > 0.8 && b > 0.8;
    }
    return false;
  };
  struct Case {
    const char* family;  // graphics family
    GdMake make;         // the make it must be painted as
  } cases[] = {{"cr125", GD_HONDA},       {"crf450v2017", GD_HONDA},   {"kx250", GD_KAWASAKI},
               {"kx450fv2016", GD_KAWASAKI}, {"rm125", GD_SUZUKI},   {"rmz250v2010", GD_SUZUKI},
               {"yz250f_se", GD_YAMAHA},   {"yz125", GD_YAMAHA},       {"125sx", GD_KTM},
               {"350sxfv2013", GD_KTM},    {"250sx", GD_KTM},          {"fc250v2016", GD_HUSQVARNA}};
  std::map<std::string, GdMake> expected;
  for (const Case& c : cases) expected[c.family] = c.make;
  size_t checked = 0;
  for (const GdBikeFamily& family : gd_bike_families()) {
    SCOPED_TRACE(family.name);
    const BikeSpec& b = record(family.record);
    auto e = expected.find(family.name);
    if (e != expected.end()) {
      EXPECT_EQ(family.make, e->second);
      ++checked;
    }
    ImageFile im;
    ASSERT_TRUE(image(b.bike_texture, im));
    double r = mean(im, gd_livery_plastic, 0), g = mean(im, gd_livery_plastic, 1), bl = mean(im, gd_livery_plastic, 2);
    EXPECT_TRUE(is(family.make, r, g, bl)) << r << " " << g << " " << bl;

    std::string info = text(std::string(b.bike_texture) + ".info");
    float bg[3], fg[3];
    size_t at_bg = info.find("[numberbackground:"), at_fg = info.find("[numberforeground:");
    ASSERT_NE(at_bg, std::string::npos) << info;
    ASSERT_NE(at_fg, std::string::npos) << info;
    ASSERT_EQ(sscanf(info.c_str() + at_bg + 18, "%f,%f,%f", &bg[0], &bg[1], &bg[2]), 3);
    ASSERT_EQ(sscanf(info.c_str() + at_fg + 18, "%f,%f,%f", &fg[0], &fg[1], &fg[2]), 3);
    double contrast = 0;
    for (int c = 0; c < 3; ++c) {
      EXPECT_NEAR(bg[c], mean(im, gd_livery_plate, c), 2.0 / 255);
      contrast += std::fabs(bg[c] - fg[c]);
    }
    EXPECT_GT(contrast, 0.9);  // the number can be read on its plate
  }
  EXPECT_EQ(checked, sizeof cases / sizeof cases[0]);
}

// The number fonts cut as the font reader cuts them: the top-left pixel is
// the separator, runs of other pixels along the top row and down the left
// column are the cells. Ten distinct black digits in one row; three plain
// digits stay within 9/8 of a 128-texel plate and four do not, and five
// condensed digits fit on the plate.
TEST_F(GeneratedBikes, NumberFontsCutIntoTenDigitCells) {
  struct Run {
    int from;  // first pixel
    int to;    // last pixel
  };
  auto runs = [](const ImageFile& im, bool across) {
    auto px = [&](int i) {
      int x = across ? i : 0, y = across ? 0 : i;
      return &im.pixels[(size_t(y) * im.width + x) * 4];
    };
    std::vector<Run> out;
    int n = across ? im.width : im.height, start = -1;
    for (int i = 0; i < n; ++i) {
      bool sep = memcmp(px(i), px(0), 4) == 0;
      if (!sep && start < 0) start = i;
      if (sep && start >= 0) out.push_back({start, i - 1}), start = -1;
    }
    if (start >= 0) out.push_back({start, n - 1});
    return out;
  };
  int widths[2] = {};
  for (bool condensed : {false, true}) {
    const char* name = condensed ? GD_NUMBERS_CONDENSED_FONT : GD_NUMBERS_FONT;
    SCOPED_TRACE(name);
    ImageFile im;
    ASSERT_TRUE(image(name, im));
    ASSERT_EQ(im.channels, 4);
    std::vector<Run> cols = runs(im, true), rows = runs(im, false);
    ASSERT_EQ(cols.size(), 10u);
    ASSERT_EQ(rows.size(), 1u);
    std::set<std::vector<uint8_t>> glyphs;
    for (const Run& c : cols) {
      EXPECT_EQ(c.to - c.from, cols[0].to - cols[0].from);  // one width for every digit
      std::vector<uint8_t> alpha;
      int ink = 0;
      for (int y = rows[0].from; y <= rows[0].to; ++y)
        for (int x = c.from; x <= c.to; ++x) {
          const uint8_t* p = &im.pixels[(size_t(y) * im.width + x) * 4];
          alpha.push_back(p[3]);
          if (p[3]) {
            ++ink;
            EXPECT_TRUE(p[0] == 0 && p[1] == 0 && p[2] == 0);
            EXPECT_TRUE(x > c.from && x < c.to && y > rows[0].from && y < rows[0].to) << "ink on the cell's edge";
          }
        }
      EXPECT_GT(ink, 150);
      glyphs.insert(alpha);
    }
    EXPECT_EQ(glyphs.size(), 10u);
    widths[condensed] = cols[0].to - cols[0].from + 1;
  }
  EXPECT_LE(3 * widths[0], 128 * 9 / 8);
  EXPECT_GT(4 * widths[0], 128 * 9 / 8);
  EXPECT_LE(5 * widths[1], 128);
}

}  // namespace
