#include "platform/mem.h"

#include <gtest/gtest.h>

#include <cstring>

struct CheckerFixture : ::testing::Test {
  MemChecker c;
  char* report_text = nullptr;
  size_t report_size = 0;
  void SetUp() override {
    c.state = MEMCHECK_ON;
    c.report = open_memstream(&report_text, &report_size);
  }
  void TearDown() override {
    fclose(c.report);
    free(report_text);
  }
  std::string report() {
    fflush(c.report);
    return std::string(report_text, report_size);
  }
};

TEST_F(CheckerFixture, SecondFreeIsReportedAndSkipped) {
  void* a = memcheck_alloc(c, 32);
  void* b = memcheck_alloc(c, 16);
  memcheck_free(c, a);
  EXPECT_EQ(report(), "");
  char buf[64];
  snprintf(buf, sizeof buf, "Allocation not found for %p!\n", a);
  memcheck_free(c, a);  // must not reach free() again (ASan would catch it)
  EXPECT_EQ(report(), buf);
  memcheck_free(c, b);
  memcheck_free(c, nullptr);
  EXPECT_EQ(c.records.size(), 0u);
}

TEST_F(CheckerFixture, ReportListsLiveBlocksOldestFirstWithTheirNumbers) {
  void* a = memcheck_alloc(c, 8);
  void* b = memcheck_alloc_zeroed(c, 4, 4);
  void* d = memcheck_alloc(c, 8);
  memcheck_free(c, b);
  d = memcheck_resize(c, d, 4096);  // the resized block takes the next number
  memcheck_report(c);
  char want[128];
  snprintf(want, sizeof want, "%p:0\n%p:3\n", a, d);
  EXPECT_EQ(report(), want);
  memcheck_free(c, a);
  memcheck_free(c, d);
}

TEST_F(CheckerFixture, ResizeOfUnknownBlockIsReported) {
  void* raw = malloc(8);
  void* moved = memcheck_resize(c, raw, 16);
  char want[64];
  snprintf(want, sizeof want, "Allocation not found for %p!\n", raw);
  EXPECT_EQ(report(), want);
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0].block, moved);
  memcheck_free(c, moved);
}

TEST_F(CheckerFixture, FullTableSwitchesTheCheckerOffOnce) {
  std::vector<void*> blocks;
  blocks.reserve(1048577);
  for (int i = 0; i < 1048576; ++i) blocks.push_back(memcheck_alloc(c, 1));
  EXPECT_EQ(report(), "");
  blocks.push_back(memcheck_alloc(c, 1));
  blocks.push_back(memcheck_alloc(c, 1));
  EXPECT_EQ(report(), "Too many allocations to check!\n");
  EXPECT_EQ(c.state, MEMCHECK_OFF);
  for (void* b : blocks) memcheck_free(c, b);  // off: plain frees
  EXPECT_EQ(report(), "Too many allocations to check!\n");
}
