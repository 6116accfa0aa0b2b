#include "app/heap.h"

#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vorlix {
namespace {

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)

// Whether the system makes the pages of a mapping on request (Linux 5.14 and later).
bool Populating_Offered() {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* const probe =
      mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (probe == MAP_FAILED) {
    return false;
  }
  const bool offered = madvise(probe, page, MADV_POPULATE_WRITE) == 0;
  munmap(probe, page);
  return offered;
}

// A thread that builds records gets the first huge page of its heap made at once (in a program
// whose allocator was readied for the start-up): every page of it is there before the thread's
// allocations touch it, one by one, as it fills it.
TEST(Prepare_Thread_Heap, The_First_Huge_Page_Of_The_Threads_Heap_Is_Made_At_Once) {
  if (!platform::Heap_Tunable) {
    GTEST_SKIP() << "not glibc's allocator";
  }
  if (!Populating_Offered()) {
    GTEST_SKIP() << "the system does not make pages on request";
  }
  platform::Prepare_Heap_For_Startup();
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  constexpr std::size_t huge = std::size_t{2} << 20;
  std::vector<unsigned char> resident(huge / page);
  bool own_heap = false;
  std::thread thread([&] {
    platform::Prepare_Thread_Heap();
    void* const probe = std::malloc(64);
    const auto address = reinterpret_cast<std::uintptr_t>(probe);
    std::free(probe);
    own_heap = reinterpret_cast<std::uintptr_t>(sbrk(0)) <= address;
    void* const heap =
        reinterpret_cast<void*>(address - address % platform::Thread_Heap_Span);  // NOLINT
    ASSERT_EQ(mincore(heap, huge, resident.data()), 0);
  });
  thread.join();
  if (!own_heap) {
    GTEST_SKIP() << "the thread allocates from the first thread's heap";
  }
  std::size_t missing = 0;
  for (const unsigned char state : resident) {
    missing += (state & 1U) == 0 ? 1 : 0;
  }
  EXPECT_EQ(missing, 0U);
}

#endif

}  // namespace
}  // namespace vorlix
