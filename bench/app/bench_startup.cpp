// Start-up as the user sees it: from starting the process to the X server mapping its window,
// library rewrite included. Needs an X display (run it under xvfb-run). Each run gets a fresh
// configuration folder, so the library folder is created as on a first start. The baseline is
// a program that only shows an empty QMainWindow: the cost of starting Qt itself.

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// One connection for the whole run: the X server may reset when its last client leaves.
xcb_connection_t* display() {
    static xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    return connection;
}

std::string windowName(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply) {
        return {};
    }
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

// Waits until a top-level window with this title is mapped; false on timeout or error.
bool waitForMappedWindow(xcb_connection_t* connection, const std::string& title) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (mapped && windowName(connection, window) == title) {
                return true;
            }
        }
        if (xcb_connection_has_error(connection)) {
            return false;
        }
        poll(&descriptor, 1, 100);
    }
    return false;
}

void startUntilMapped(benchmark::State& state, const std::string& program,
                      const std::string& title) {
    xcb_connection_t* connection = display();
    if (xcb_connection_has_error(connection)) {
        state.SkipWithError("no X display: run under xvfb-run");
        return;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    for (auto _ : state) {
        state.PauseTiming();
        char folder[] = "/tmp/quillmere-bench.XXXXXX";
        if (!mkdtemp(folder)) {
            state.SkipWithError("no temporary folder");
            break;
        }
        std::vector<std::string> environment{std::string("XDG_CONFIG_HOME=") + folder};
        for (char** entry = environ; *entry; ++entry) {
            if (std::strncmp(*entry, "XDG_CONFIG_HOME=", 16) != 0) {
                environment.emplace_back(*entry);
            }
        }
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        std::string path = program;
        char* argv[] = {path.data(), nullptr};
        pid_t child = 0;
        state.ResumeTiming();

        const bool started =
            posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, envp.data()) == 0;
        const bool mapped = started && waitForMappedWindow(connection, title);

        state.PauseTiming();
        if (started) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        const std::string remove = std::string("rm -rf '") + folder + "'";
        if (std::system(remove.c_str()) != 0 || !mapped) {
            state.SkipWithError(mapped ? "cannot remove the configuration folder"
                                       : "window not mapped");
            break;
        }
        state.ResumeTiming();
    }
}

void BM_BaselineUntilMapped(benchmark::State& state) {
    startUntilMapped(state, QUILLMERE_BASELINE_BINARY, "baseline");
}
BENCHMARK(BM_BaselineUntilMapped)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_QuillmereUntilMapped(benchmark::State& state) {
    startUntilMapped(state, QUILLMERE_BINARY, "12edo - Quillmere");
}
BENCHMARK(BM_QuillmereUntilMapped)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
