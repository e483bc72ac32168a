// Rendering and presenting frames must never touch the heap. This binary replaces the global
// allocation functions to count every call.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "app/run_demo.hpp"
#include "canvas/cell_canvas.hpp"
#include "platform/ansi/ansi_frame.hpp"
#include "platform/fake/fake_platform.hpp"
#include "scene/flag_background.hpp"
#include "scene/frame.hpp"

namespace {
std::atomic<long> allocations{0};
}

// The replacements below pair malloc with free themselves; once inlined, g++ mistakes them for
// a mismatch between new and free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(NoHeap, RenderingAWholeRunAllocatesNothing) {
    const long before = allocations.load();
    for (std::uint32_t t = 0; t <= 80000; t += 7) {
        compose_frame(t);
    }
    EXPECT_EQ(allocations.load() - before, 0);
}

TEST(NoHeap, EncodingFramesForTheTerminalAllocatesNothing) {
    static char bytes[ANSI_FRAME_CAPACITY];
    const long before = allocations.load();
    std::size_t total = 0;
    for (std::uint32_t t = 0; t <= 20000; t += 97) {
        render_background(t, t / 1000);
        total += encode_ansi_frame(cell_canvas::canvas.cells, full_screen_layout, bytes);
        total += encode_ansi_frame(cell_canvas::canvas.cells, FrameLayout{-3, 5, 40, 20}, bytes);
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(total, 0u);
}

TEST(NoHeap, TheWholeRunSequenceAllocatesNothing) {
    std::vector<std::uint32_t> ticks;
    for (std::uint32_t t = 0; t <= 76000; t += 3) {
        ticks.push_back(t);
    }
    fake::reset();
    fake::script_clock(ticks.data(), ticks.size());
    const long before = allocations.load();
    EXPECT_EQ(run_demo(), 0);
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_GT(fake::count_of(fake::Call::present), 20000u);
}

}  // namespace
