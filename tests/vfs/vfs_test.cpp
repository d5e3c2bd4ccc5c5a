#include "vfs/vfs.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/mem.h"
#include "test_util.h"

// An archive image: header lines "size name", "-", then the data in order.
static std::string make_saf(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string header, data;
  for (auto& [name, bytes] : files) {
    header += std::to_string(bytes.size()) + " " + name + "\n";
    data += bytes;
  }
  return header + "-\n" + data;
}

static std::string scrambled(const std::string& plain, uint32_t seed = 7) {
  VfsScrambler s;
  unsigned char header[VFS_SCRAMBLE_HEADER];
  vfs_scramble_header(s, seed, header);
  std::string body = plain;
  vfs_scramble_apply(s, (unsigned char*)body.data(), body.size());
  return std::string((char*)header, VFS_SCRAMBLE_HEADER) + body;
}

static std::string read_all(VfsFile* f) {
  std::string out;
  char buf[777];  // odd size: reads straddle the inflate window
  int n;
  while ((n = vfs_read(f, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
  return out;
}

// Data that compresses but is not trivial, so inflate runs many steps.
static std::string sample_text(size_t n) {
  std::string s;
  uint32_t x = 12345;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    s += "line " + std::to_string(x >> 16) + " of sample text\n";
  }
  s.resize(n);
  return s;
}

struct VfsFixture : ::testing::Test {
  TempDir dir;
  Vfs vfs;
  std::string home() { return dir / "home/"; }
  std::string game() { return dir / "game/"; }
  void SetUp() override {
    test_mkdirs(home());
    test_mkdirs(game());
    vfs_set_folders(vfs, home(), game());
  }
  void TearDown() override { vfs_shutdown(vfs); }
  std::string read_name(const char* name) {
    VfsFile* f = vfs_open(vfs, name, "rb");
    if (!f) return "<none>";
    std::string s = read_all(f);
    vfs_close(f);
    return s;
  }
};

TEST_F(VfsFixture, SearchFoldersAreNormalised) {
  Vfs v;
  vfs_set_folders(v, "/a//b\\c", "/g/");
  EXPECT_STREQ(vfs_search_folder(v, 0), "/a/b/c/");
  EXPECT_STREQ(vfs_search_folder(v, 1), "/g/");
  EXPECT_EQ(vfs_search_folder(v, 2), nullptr);
  Vfs no_home;
  vfs_set_folders(no_home, "", "/g");
  EXPECT_STREQ(vfs_search_folder(no_home, 0), "/g/");  // the game folder serves as home
}

TEST_F(VfsFixture, WritesGoHomeAndHomeIsReadFirst) {
  write_file(game() + "config", "game copy\n");
  VfsFile* f = vfs_open(vfs, "@config", "wb");
  ASSERT_NE(f, nullptr);
  vfs_puts(f, "home copy\n");
  vfs_close(f);
  EXPECT_EQ(read_file(home() + "config"), "home copy\n");
  EXPECT_EQ(read_file(game() + "config"), "game copy\n");
  EXPECT_EQ(read_name("@config"), "home copy\n");
  // Writes create the folders on the way.
  f = vfs_open(vfs, "@setups/deep/one.txt", "wb");
  ASSERT_NE(f, nullptr);
  vfs_close(f);
  EXPECT_TRUE(file_exists(home() + "setups/deep/one.txt"));
}

TEST_F(VfsFixture, FoldersAreTriedBeforeTheIndexAndSuffixesInOrder) {
  write_file(home() + "a.txt", "plain home");
  write_file(game() + "a.txt.gz", gzip_bytes("compressed game"));
  write_file(game() + "b.txt.gz", gzip_bytes("gz wins over scram"));
  write_file(game() + "b.txt.scram", scrambled("scrambled"));
  write_file(game() + "c.txt.gz.scram", scrambled(gzip_bytes("both layers")));
  write_file(game() + "d.txt.scram", scrambled(sample_text(40000)));
  vfs_file_list(vfs);
  EXPECT_EQ(read_name("@a.txt"), "plain home");
  EXPECT_EQ(read_name("@b.txt"), "gz wins over scram");
  EXPECT_EQ(read_name("@c.txt"), "both layers");
  EXPECT_EQ(read_name("@d.txt"), sample_text(40000));
}

TEST_F(VfsFixture, FirstSuffixThatOpensDecidesEvenWhenItsHeaderIsBad) {
  write_file(game() + "x.dat.gz", "not gzip at all");
  write_file(game() + "x.dat.scram", scrambled("would have been fine"));
  write_file(game() + "y.dat.scram", "LRSX-not-a-header");
  EXPECT_EQ(read_name("@x.dat"), "<none>");
  EXPECT_EQ(read_name("@y.dat"), "<none>");
}

TEST_F(VfsFixture, GzipHeadersAreCheckedAndOptionalFieldsSkipped) {
  struct Case {
    const char* name;
    std::string bytes;
    bool opens;
  } cases[] = {
      // Optional fields reaching far past the first 16 KiB block of input.
      {"fields", gzip_bytes("payload", 40000, std::string(20000, 'n'), "a comment", true), true},
      {"plain", gzip_bytes("payload"), true},
      {"badmagic", "\x1f\x8c\x08" + std::string(20, '\0'), false},
      {"method", std::string("\x1f\x8b\x07\x00", 4) + std::string(20, '\0'), false},
      {"flags", std::string("\x1f\x8b\x08\x20", 4) + std::string(20, '\0'), false},
      {"short", std::string("\x1f\x8b\x08\x08", 4) + "000000unterminated-name", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    std::string path = game() + c.name + ".gz";
    write_file(path, c.bytes);
    VfsFile* f = vfs_open_path((game() + c.name).c_str(), "rb");
    EXPECT_EQ(f != nullptr, c.opens) << c.name;
    if (f) {
      EXPECT_EQ(read_all(f), "payload") << c.name;
      vfs_close(f);
    }
  }
}

TEST_F(VfsFixture, ArchivesArePrecedenceOrderedByName) {
  // "zzzz.saf" sorts after every other archive and so loses to it.
  write_file(game() + "zzzz.saf", make_saf({{"shared.txt", "from zzzz"},
                                            {"only_z.txt", "z only"},
                                            {"pair.txt", "plain in zzzz"},
                                            {"Mixed/Case.TXT", "cased"}}));
  write_file(game() + "base.saf", make_saf({{"shared.txt", "from base"}, {"pair.txt.gz", gzip_bytes("gz in base")}}));
  const char* const* list = vfs_file_list(vfs);
  EXPECT_EQ(read_name("@shared.txt"), "from base");
  EXPECT_EQ(read_name("@only_z.txt"), "z only");
  EXPECT_EQ(read_name("@pair.txt"), "gz in base");
  EXPECT_EQ(read_name("@mixed/case.txt"), "cased");
  EXPECT_TRUE(vfs_exists(vfs, "MIXED/case.txt"));
  EXPECT_FALSE(vfs_exists(vfs, "mixed/case"));
  // One list entry per distinct name, sorted case-insensitively.
  std::vector<std::string> names;
  for (; *list; ++list) names.push_back(*list);
  std::vector<std::string> want = {"base.saf", "Mixed/Case.TXT", "only_z.txt", "pair.txt", "pair.txt.gz",
                                   "shared.txt", "zzzz.saf"};
  EXPECT_EQ(names, want);
}

TEST_F(VfsFixture, LooseFilesWinOverArchivesAndListKeepsBestSpelling) {
  write_file(game() + "zzzz.saf", make_saf({{"TRACKS/a/desc", "archived"}}));
  write_file(game() + "tracks/a/desc", "loose");
  const char* const* list = vfs_file_list(vfs);
  EXPECT_EQ(read_name("@TRACKS/A/DESC"), "loose");
  bool found = false;
  for (; *list; ++list)
    if (vfs_name_compare(*list, "tracks/a/desc") == 0) {
      EXPECT_STREQ(*list, "tracks/a/desc");
      EXPECT_FALSE(found);
      found = true;
    }
  EXPECT_TRUE(found);
}

TEST_F(VfsFixture, DamagedArchivesAreDroppedWholeAndOthersStay) {
  std::string good = make_saf({{"good.txt", "fine"}});
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"noend.saf", "4 lost1.txt\nabcd"},
      {"notnumber.saf", "4 lost2.txt\nabc lost3.txt\n-\nabcd"},
      {"negative.saf", "4 lost4.txt\n-4 lost5.txt\n-\nabcd"},
      {"pastend.saf", "4 lost6.txt\n9999 lost7.txt\n-\nabcd"},
      {"huge.saf", "4 lost8.txt\n3000000000 lost9.txt\n-\nabcd"},
      {"longline.saf", "4 lost10.txt\n1 " + std::string(1100, 'n') + "\n-\nabcdz"},
  };
  write_file(game() + "good.saf", good);
  for (const Case& c : cases) write_file(game() + c.name, c.bytes);
  vfs_file_list(vfs);
  EXPECT_EQ(read_name("@good.txt"), "fine");
  for (int i = 1; i <= 10; ++i) {
    std::string name = "lost" + std::to_string(i) + ".txt";
    EXPECT_FALSE(vfs_exists(vfs, name.c_str())) << name;
  }
}

TEST_F(VfsFixture, ArchiveEntriesStopAtTheirLengthAndSeekWithinIt) {
  std::string big = sample_text(70000);
  write_file(game() + "zzzz.saf", make_saf({{"first.bin", "0123456789"},
                                            {"packed.txt.gz", gzip_bytes(big)},
                                            {"a//b///c.txt", "collapsed"},
                                            {"last.bin", "TAIL"}}));
  vfs_file_list(vfs);
  EXPECT_EQ(read_name("@first.bin"), "0123456789");
  EXPECT_EQ(read_name("@packed.txt"), big);
  EXPECT_EQ(read_name("@a/b/c.txt"), "collapsed");
  VfsFile* f = vfs_open(vfs, "@first.bin", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(vfs_seek(f, 7));
  EXPECT_EQ(read_all(f), "789");
  EXPECT_FALSE(vfs_seek(f, 10));  // must be below the entry's length
  EXPECT_FALSE(vfs_seek(f, -1));
  vfs_close(f);
  f = vfs_open(vfs, "@packed.txt", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(vfs_seek(f, 0));  // compressed streams cannot seek
  vfs_close(f);
}

TEST_F(VfsFixture, ReadingHelpersShareThePushedBackByte) {
  write_file(game() + "lines.txt", "  alpha\nbeta gamma\n\nlast");
  VfsFile* f = vfs_open(vfs, "@lines.txt", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(vfs_skip_space(f), 2);
  EXPECT_EQ(vfs_peekc(f), 'a');
  char line[64];
  EXPECT_STREQ(vfs_gets(f, line, sizeof line), "alpha\n");
  EXPECT_STREQ(vfs_gets(f, line, 5), "beta");  // only one byte of room is kept for the zero
  EXPECT_STREQ(vfs_gets(f, line, sizeof line), " gamma\n");
  EXPECT_STREQ(vfs_gets(f, line, sizeof line), "\n");
  EXPECT_STREQ(vfs_gets(f, line, sizeof line), "last");
  EXPECT_EQ(vfs_gets(f, line, sizeof line), nullptr);
  EXPECT_EQ(vfs_getc(f), -1);
  EXPECT_EQ(vfs_skip_space(f), -1);
  vfs_close(f);
}

TEST_F(VfsFixture, BackupsTakeTheFirstFreeNumber) {
  std::string path = home() + "results.txt";
  write_file(path, "old contents");
  write_file(path + ".~1~", "one");
  write_file(path + ".~2~", "two");
  VfsFile* f = vfs_open(vfs, "@results.txt", "~wb");
  ASSERT_NE(f, nullptr);
  vfs_puts(f, "new");
  vfs_close(f);
  EXPECT_EQ(read_file(path + ".~3~"), "old contents");
  EXPECT_EQ(read_file(path + ".~1~"), "one");
  EXPECT_EQ(read_file(path), "new");
  // A file that does not exist yet gets no backup.
  f = vfs_open(vfs, "@fresh.txt", "~wb");
  ASSERT_NE(f, nullptr);
  vfs_close(f);
  EXPECT_FALSE(file_exists(home() + "fresh.txt.~1~"));
}

TEST_F(VfsFixture, OverlongNamesFailInsteadOfNamingAnotherFile) {
  std::string name = "@" + std::string(600 - home().size(), 'n');
  EXPECT_EQ(vfs_open(vfs, name.c_str(), "wb"), nullptr);
  // The name cut at 511 characters must not have been created.
  std::string cut = (home() + name.substr(1)).substr(0, 511);
  EXPECT_FALSE(file_exists(cut));
  EXPECT_EQ(vfs_open(vfs, name.c_str(), "rb"), nullptr);
}

TEST_F(VfsFixture, ReplaceMovesOverTheTargetAndKeepsItWhenSourceIsMissing) {
  write_file(home() + "config", "old");
  write_file(home() + "config.new", "new");
  EXPECT_TRUE(vfs_replace(vfs, "@config.new", "@config"));
  EXPECT_EQ(read_file(home() + "config"), "new");
  EXPECT_FALSE(file_exists(home() + "config.new"));
  EXPECT_FALSE(vfs_replace(vfs, "@missing", "@config"));
  EXPECT_EQ(read_file(home() + "config"), "new");
}

TEST_F(VfsFixture, FileToStringStopsAtSixteenMebibytes) {
  write_file(game() + "short.bin", std::string(16777215, 's'));
  write_file(game() + "long.bin", std::string(16777216, 'l'));
  char* text = file_to_string(vfs, "@short.bin");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(strlen(text), 16777215u);
  mem_free(text);
  EXPECT_EQ(file_to_string(vfs, "@long.bin"), nullptr);
  EXPECT_EQ(file_to_string(vfs, "@absent.bin"), nullptr);
}

TEST_F(VfsFixture, DescribeNamesEntryAndSource) {
  write_file(game() + "one.txt", "1");
  vfs_file_list(vfs);
  char buf[256];
  ASSERT_TRUE(vfs_describe(vfs, 0, buf, sizeof buf));
  EXPECT_EQ(std::string(buf), "one.txt -> " + game() + "one.txt");
  EXPECT_FALSE(vfs_describe(vfs, 1, buf, sizeof buf));
  EXPECT_FALSE(vfs_describe(vfs, -1, buf, sizeof buf));
  char tiny[12];
  ASSERT_TRUE(vfs_describe(vfs, 0, tiny, sizeof tiny));
  EXPECT_LT(strlen(tiny), sizeof tiny);
}
