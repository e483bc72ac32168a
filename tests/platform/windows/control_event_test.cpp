// The Windows console control handler's logic on the fake back-end: a Ctrl-C, Ctrl-Break or
// closing console either waits for the demo's own shutdown, or, when that never finishes,
// closes the music and shows the cursor itself and ends the process with status 0. A closing
// console is ended by the handler, with status 0, once the shutdown is done.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_platform.hpp"
#include "platform/windows/early_exit.hpp"

namespace {

using fake::Call;

// What the host did, in order: "wait <ms>", "hook", "end <status>".
std::vector<std::string> host_steps;
bool shutdown_finishes = false;

void last_resort() { host_steps.emplace_back("hook"); }

using windows_backend::StopEvent;

struct Case {
    const char* name;
    StopEvent event;
    bool music_opened;        // the demo's music started
    bool demo_closed_music;   // the demo's shutdown got as far as sending close
    bool demo_showed_cursor;  // ... and as far as showing the cursor
    bool shutdown_finishes;   // within the wait
    // Expected: what the handler sends itself, and whether it ends the process.
    bool handler_closes_music;
    bool handler_shows_cursor;
    bool process_ended;
};

class ControlEvent : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        fake::reset();
        host_steps.clear();
        windows_backend::prepare_control_handling(last_resort);
    }
    // The demo's side: what it did, as windows_platform.cpp reports it.
    static void demo_sends(const Case& c) {
        windows_backend::note_music_opened(c.music_opened);
        windows_backend::note_cursor_hidden(true);
        if (c.demo_closed_music) {
            windows_backend::note_music_closed();
        }
        if (c.demo_showed_cursor) {
            windows_backend::note_cursor_hidden(false);
        }
    }
};

TEST_P(ControlEvent, EndsTheRunThroughTheShutdownOrUndoesSetUpItself) {
    const Case& c = GetParam();
    demo_sends(c);
    shutdown_finishes = c.shutdown_finishes;
    windows_backend::handle_stop_event(c.event);

    EXPECT_TRUE(windows_backend::stop_requested()) << "the key test must see the event";
    const std::size_t close = fake::find_call(Call::stop_music);
    const std::size_t cursor = fake::find_call(Call::show_cursor);
    EXPECT_EQ(close < fake::call_count(), c.handler_closes_music);
    EXPECT_EQ(cursor < fake::call_count(), c.handler_shows_cursor);
    EXPECT_EQ(fake::call_count(),
              (c.handler_closes_music ? 1u : 0u) + (c.handler_shows_cursor ? 1u : 0u));
    if (c.handler_closes_music && c.handler_shows_cursor) {
        EXPECT_LT(close, cursor) << "the music is closed first, as the demo does";
    }
    std::vector<std::string> expected_steps{"wait 3000"};
    if (!c.shutdown_finishes) {
        expected_steps.emplace_back("hook");  // the last resort, just before the end
    }
    if (c.process_ended) {
        expected_steps.emplace_back("end 0");
    }
    EXPECT_EQ(host_steps, expected_steps);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ControlEvent,
    ::testing::Values(Case{"ShutdownInTime", StopEvent::interrupt, true, true, true, true, false,
                           false, false},
                      Case{"ShutdownNeverFinishes", StopEvent::interrupt, true, false, false, false,
                           true, true, true},
                      Case{"StuckAfterClosingTheMusic", StopEvent::interrupt, true, true, false,
                           false, false, true, true},
                      Case{"MusicThatNeverOpenedIsNotClosed", StopEvent::interrupt, false, false,
                           false, false, false, true, true},
                      Case{"StuckAfterTheWholeShutdown", StopEvent::interrupt, true, true, true,
                           false, false, false, true},
                      // The closing console is ended by the handler once the shutdown is done, and
                      // only once when the handler had to undo set-up itself.
                      Case{"ConsoleClosedAfterTheShutdown", StopEvent::console_closing, true, true,
                           true, true, false, false, true},
                      Case{"ConsoleClosedShutdownNeverFinishes", StopEvent::console_closing, true,
                           false, false, false, true, true, true}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace

// The host's side, as windows_host.cpp provides it on Windows: no real waiting here, the case
// says whether the demo's shutdown finishes in time.
namespace windows_backend {

bool wait_for_shutdown(std::uint32_t timeout_ms) {
    host_steps.push_back("wait " + std::to_string(timeout_ms));
    return shutdown_finishes;
}

void signal_shutdown_done() { shutdown_finishes = true; }

void end_process(std::uint32_t status) { host_steps.push_back("end " + std::to_string(status)); }

}  // namespace windows_backend
