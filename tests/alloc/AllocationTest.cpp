// Shows that the per-sample graph work and a redraw allocate nothing on the heap.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "graph/GraphView.h"
#include "headless/RecordingContext.h"

namespace {
std::atomic<long> allocations{0};
}

// These replace the global allocation functions, so free() on what operator new returned is
// the matching call; GCC cannot see that once the sanitizers inline them into test factories.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

TEST(Allocation, GraphAppendAndRedrawAllocateNothing) {
    graph::GraphView view;
    view.platformSetGeometry({149, 60}, {298, 120});
    platform::headless::RecordingContext context;  // reserves its room up front
    view.display(context);
    context.clear();

    const long before = allocations.load();
    for (int i = 0; i < 1000; ++i) view.updateHistoryWithX(i, -i, 0.5 * i);
    view.display(context);
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(context.ops().size(), 450u);
}

}  // namespace
