// bench_shown NAME PROGRAM [ARGUMENTS...]: starts PROGRAM and prints its pid
// and the milliseconds from the start to the moment X first reports a window
// titled NAME viewable. It watches by X events, one connection made before
// the start, so the watching costs the program under test nothing: no
// repeated lookups, no tools launched while it starts. PROGRAM keeps
// running when this exits. Exit status 1 when no such window shows within
// ten seconds or PROGRAM ends first.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;
constexpr auto kTimeout = std::chrono::seconds(10);

template <typename T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    TReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

class TWatch {
public:
    TWatch(xcb_connection_t* x, std::string name) : x_(x), name_(std::move(name)) {
        netWmName_ = Atom(x, "_NET_WM_NAME");
        utf8_ = Atom(x, "UTF8_STRING");
    }

    // Hears of every window made or mapped at the top.
    void Start(xcb_window_t root) {
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(x_, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(x_);
    }

    // True once a window titled NAME is viewable.
    bool Handle(xcb_generic_event_t* event) {
        switch (event->response_type & 0x7F) {
            case XCB_CREATE_NOTIFY: {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                // Its own map and title changes, whoever its parent becomes.
                const std::uint32_t mask =
                    XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(x_, created->window, XCB_CW_EVENT_MASK, &mask);
                windows_.insert(created->window);
                break;
            }
            case XCB_DESTROY_NOTIFY:
                windows_.erase(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
                break;
            default:
                break;
        }
        // A map anywhere (the client, then its frame) or a new title: look
        // again at every window we know of. They are few.
        for (xcb_window_t window : windows_)
            if (Viewable(window) && Title(window) == name_) return true;
        return false;
    }

private:
    bool Viewable(xcb_window_t window) {
        TReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(x_, xcb_get_window_attributes(x_, window), nullptr),
            &std::free);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    std::string Title(xcb_window_t window) {
        for (auto [property, type] :
             {std::pair{netWmName_, utf8_},
              std::pair<xcb_atom_t, xcb_atom_t>{XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
            TReply<xcb_get_property_reply_t> reply(
                xcb_get_property_reply(x_, xcb_get_property(x_, 0, window, property, type, 0, 256),
                                       nullptr),
                &std::free);
            if (!reply || reply->type == XCB_ATOM_NONE) continue;
            const int length = xcb_get_property_value_length(reply.get());
            return {static_cast<const char*>(xcb_get_property_value(reply.get())),
                    static_cast<std::size_t>(length)};
        }
        return {};
    }

    xcb_connection_t* x_;
    std::string name_;
    xcb_atom_t netWmName_ = XCB_ATOM_NONE;
    xcb_atom_t utf8_ = XCB_ATOM_NONE;
    std::set<xcb_window_t> windows_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_shown NAME PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "bench_shown: no X display\n");
        return 2;
    }
    TWatch watch(x, argv[1]);
    watch.Start(xcb_setup_roots_iterator(xcb_get_setup(x)).data->root);

    const TClock::time_point started = TClock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    if (pid < 0) return 1;

    pollfd ready{xcb_get_file_descriptor(x), POLLIN, 0};
    while (TClock::now() - started < kTimeout) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
            const bool shown = watch.Handle(event);
            std::free(event);
            if (shown) {
                const std::chrono::duration<double, std::milli> took = TClock::now() - started;
                std::printf("%d %.1f\n", static_cast<int>(pid), took.count());
                return 0;
            }
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "bench_shown: %s ended before its window showed\n", argv[2]);
            return 1;
        }
        if (xcb_connection_has_error(x)) return 1;
        ::poll(&ready, 1, 100);
    }
    std::fprintf(stderr, "bench_shown: no window titled %s showed\n", argv[1]);
    return 1;
}
