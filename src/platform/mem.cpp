#include "platform/mem.h"

#include <cstdlib>
#include <cstring>
#include <new>

MemChecker& mem_global() {
  static MemChecker checker;
  return checker;
}

static bool memcheck_on(MemChecker& c) {
  if (c.state == MEMCHECK_UNDECIDED) {
    const char* v = getenv("LR_CHECK_ALLOC");
    c.state = v && atoi(v) > 0 ? MEMCHECK_ON : MEMCHECK_OFF;
  }
  return c.state == MEMCHECK_ON;
}

static void memcheck_record(MemChecker& c, void* block, size_t size) {
  if (!block || !memcheck_on(c)) return;
  if (c.records.size() >= c.max_records) {
    fprintf(c.report, "Too many allocations to check!\n");
    c.state = MEMCHECK_OFF;
    return;
  }
  c.records.push_back(MemRecord{block, c.next_number++, size});
}

// Index of the newest record of block, or -1.
static long memcheck_find(MemChecker& c, void* block) {
  for (size_t i = c.records.size(); i-- > 0;)
    if (c.records[i].block == block) return long(i);
  return -1;
}

void* memcheck_alloc(MemChecker& c, size_t size) {
  void* block = malloc(size);
  memcheck_record(c, block, size);
  return block;
}

void* memcheck_alloc_zeroed(MemChecker& c, size_t count, size_t size) {
  void* block = calloc(count, size);
  memcheck_record(c, block, count * size);
  return block;
}

void* memcheck_resize(MemChecker& c, void* block, size_t size) {
  bool on = memcheck_on(c);
  void* moved = realloc(block, size);
  if (!on) return moved;
  if (size != 0 && !moved) return nullptr;  // the old block is still live
  if (block) {
    long i = memcheck_find(c, block);
    if (i < 0)
      fprintf(c.report, "Allocation not found for %p!\n", block);
    else
      c.records.erase(c.records.begin() + i);
  }
  memcheck_record(c, moved, size);
  return moved;
}

void memcheck_free(MemChecker& c, void* block) {
  if (!block) return;
  if (!memcheck_on(c)) {
    free(block);
    return;
  }
  long i = memcheck_find(c, block);
  if (i < 0) {
    fprintf(c.report, "Allocation not found for %p!\n", block);
    return;
  }
  memset(block, 0, c.records[size_t(i)].size);
  c.records.erase(c.records.begin() + i);
  free(block);
}

void memcheck_report(MemChecker& c) {
  for (const MemRecord& r : c.records) fprintf(c.report, "%p:%d\n", r.block, r.number);
}

void* mem_alloc(size_t size) { return memcheck_alloc(mem_global(), size); }
void* mem_alloc_zeroed(size_t count, size_t size) { return memcheck_alloc_zeroed(mem_global(), count, size); }
void* mem_resize(void* block, size_t size) { return memcheck_resize(mem_global(), block, size); }
void mem_free(void* block) { memcheck_free(mem_global(), block); }
void mem_report() { memcheck_report(mem_global()); }

static MemOutOfMemoryHandler oom_handler = nullptr;

void mem_set_out_of_memory_handler(MemOutOfMemoryHandler handler) {
  oom_handler = handler;
  std::set_new_handler([] { mem_out_of_memory(); });
}

void mem_out_of_memory() {
  static bool stopping = false;
  if (!stopping && oom_handler) {
    stopping = true;
    oom_handler();
  }
  _Exit(1);
}
