#include "track/track_hash.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "test_util.h"
#include "vfs/vfs.h"

namespace {

std::string ripemd160_hex(const std::string& data) {
  uint8_t digest[TRACK_HASH_SIZE];
  ripemd160(data.data(), data.size(), digest);
  return track_hash_hex(digest);
}

// Bytes that differ from position to position, so a moved or dropped
// chunk changes the digest.
std::string pattern(size_t length, unsigned seed) {
  std::string out(length, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < length; ++i) {
    x = x * 1103515245u + 12345u;
    out[i] = char(x >> 24);
  }
  return out;
}

// The hash over the listed files of a track folder whose files are given by
// name (a name ending in ".gz" is stored as such); the list names the plain
// names the loader asks for.
std::string hash_track(const std::map<std::string, std::string>& stored, const std::vector<std::string>& names,
                       std::vector<bool>* found = nullptr) {
  TempDir dir;
  std::string game = dir / "game/";
  for (const auto& [name, bytes] : stored) write_file(game + "tracks/t/" + name, bytes);
  Vfs vfs;
  vfs_set_folders(vfs, "", game);
  TrackHash h;
  track_hash_begin(h);
  for (const std::string& name : names) {
    bool ok = track_hash_file(h, vfs, ("@tracks/t/" + name).c_str());
    if (found) found->push_back(ok);
  }
  track_hash_finish(h);
  vfs_shutdown(vfs);
  return track_hash_hex(h.digest);
}

}  // namespace

TEST(Ripemd, KnownDigests) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
      {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
      {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
      {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
      // 80 bytes: more than one block.
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
  };
  for (const auto& c : cases) EXPECT_EQ(ripemd160_hex(c.first), c.second) << '"' << c.first << '"';
}

TEST(TrackHash, PiecesGiveTheSameDigestAsOneBuffer) {
  std::string data = pattern(1000, 3);
  for (size_t piece : {size_t(1), size_t(7), size_t(64), size_t(999)}) {
    TrackHash h;
    track_hash_begin(h);
    for (size_t at = 0; at < data.size(); at += piece)
      track_hash_bytes(h, data.data() + at, std::min(piece, data.size() - at));
    track_hash_bytes(h, "", 0);
    EXPECT_TRUE(h.open);
    track_hash_finish(h);
    EXPECT_FALSE(h.open);
    EXPECT_EQ(track_hash_hex(h.digest), ripemd160_hex(data)) << "pieces of " << piece;
  }

  // A hash begun again forgets what it was fed before.
  TrackHash h;
  track_hash_begin(h);
  track_hash_bytes(h, "junk", 4);
  track_hash_finish(h);
  track_hash_begin(h);
  track_hash_bytes(h, "abc", 3);
  track_hash_finish(h);
  EXPECT_EQ(track_hash_hex(h.digest), "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc");

  // Bytes after the finish are not taken, and a second finish keeps the digest.
  track_hash_bytes(h, "more", 4);
  track_hash_finish(h);
  EXPECT_EQ(track_hash_hex(h.digest), "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc");
}

TEST(TrackHash, FilesAreHashedWholeAndMissingOnesAreSkipped) {
  // Larger than any read chunk, so the file is read in several pieces.
  std::string big = pattern(70001, 1);
  std::string small = "tileinfo 1\n";
  std::vector<bool> found;
  std::string got = hash_track({{"terrain.hf", big}, {"tileinfo", small}},
                               {"terrain.hf", "texturelist", "tileinfo", "nofrills.js"}, &found);
  EXPECT_EQ(found, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(got, ripemd160_hex(big + small));

  // An empty file is found and feeds nothing.
  found.clear();
  EXPECT_EQ(hash_track({{"terrain.hf", ""}}, {"terrain.hf"}, &found), ripemd160_hex(""));
  EXPECT_EQ(found, (std::vector<bool>{true}));
}

TEST(TrackHash, AnyChangedByteChangesTheHashButCompressionDoesNot) {
  const std::vector<std::string> names = {"terrain.hf", "tileinfo"};
  const std::string terrain = pattern(40000, 2);
  const std::string tileinfo = pattern(300, 5);
  const std::string base = hash_track({{"terrain.hf", terrain}, {"tileinfo", tileinfo}}, names);

  struct Change {
    bool in_terrain;
    size_t at;
  };
  // First, last and chunk-boundary bytes of the big file; first and last of the small one.
  const Change changes[] = {{true, 0},     {true, 1023},  {true, 1024},  {true, 16383},
                            {true, 16384}, {true, 39999}, {false, 0},    {false, 299}};
  for (const Change& c : changes) {
    std::string t = terrain, i = tileinfo;
    std::string& target = c.in_terrain ? t : i;
    target[c.at] = char(target[c.at] ^ 1);
    EXPECT_NE(hash_track({{"terrain.hf", t}, {"tileinfo", i}}, names), base)
        << (c.in_terrain ? "terrain.hf" : "tileinfo") << " byte " << c.at;
  }
  // A byte moved from the end of one file to the start of the next feeds the
  // same stream: the hash covers the bytes, not the file boundaries.
  EXPECT_EQ(hash_track({{"terrain.hf", terrain.substr(0, 39999)}, {"tileinfo", terrain.substr(39999) + tileinfo}},
                       names),
            base);

  // Stored gzip-compressed, the file system hands over the same bytes.
  EXPECT_EQ(hash_track({{"terrain.hf.gz", gzip_bytes(terrain)}, {"tileinfo", tileinfo}}, names), base);
  EXPECT_EQ(hash_track({{"terrain.hf.gz", gzip_bytes(terrain)}, {"tileinfo.gz", gzip_bytes(tileinfo, 3, "x")}},
                       names),
            base);
  // A changed byte inside the compressed copy still shows.
  std::string t = terrain;
  t[20000] = char(t[20000] ^ 0x80);
  EXPECT_NE(hash_track({{"terrain.hf.gz", gzip_bytes(t)}, {"tileinfo", tileinfo}}, names), base);
}

TEST(TrackHash, HexIsLowerCaseInByteOrder) {
  uint8_t digest[TRACK_HASH_SIZE];
  for (int i = 0; i < TRACK_HASH_SIZE; ++i) digest[i] = uint8_t(i * 13 + 0x0a);
  EXPECT_EQ(track_hash_hex(digest), "0a1724313e4b5865727f8c99a6b3c0cddae7f401");
}
