// The program's allocation calls, with an optional checker switched on by the
// environment variable LR_CHECK_ALLOC (an integer above 0). The checker
// records every live block, zeroes blocks as they are freed, reports frees of
// unknown blocks (and skips them) and lists what is still live at the end.
#pragma once
#include <cstddef>
#include <cstdio>
#include <vector>

enum MemCheckState { MEMCHECK_UNDECIDED, MEMCHECK_ON, MEMCHECK_OFF };

struct MemRecord {
  void* block;     // address handed out
  int number;      // allocation number, counting recorded allocations from 0
  size_t size;     // bytes asked for
};

struct MemChecker {
  MemCheckState state = MEMCHECK_UNDECIDED;
  std::vector<MemRecord> records;  // live blocks, oldest first
  int next_number = 0;             // number given to the next recorded block
  size_t max_records = 1048576;    // a full table switches the checker off
  FILE* report = stderr;           // where checker messages go
};

// Process-wide checker used by mem_alloc and friends.
MemChecker& mem_global();

// Same meanings as malloc, calloc, realloc and free.
void* mem_alloc(size_t size);
void* mem_alloc_zeroed(size_t count, size_t size);
void* mem_resize(void* block, size_t size);
void mem_free(void* block);
// Prints "%p:%d\n" for every block still recorded, oldest first.
void mem_report();

// The same operations on a given checker (tests build their own).
void* memcheck_alloc(MemChecker& c, size_t size);
void* memcheck_alloc_zeroed(MemChecker& c, size_t count, size_t size);
void* memcheck_resize(MemChecker& c, void* block, size_t size);
void memcheck_free(MemChecker& c, void* block);
void memcheck_report(MemChecker& c);

// The shared out-of-memory stop: runs the handler set by the program (which
// closes audio and the window and shows "Out of virtual memory"), then exits
// with status 1. Also installed as the C++ new-handler.
using MemOutOfMemoryHandler = void (*)();
void mem_set_out_of_memory_handler(MemOutOfMemoryHandler handler);
[[noreturn]] void mem_out_of_memory();
