// Starts a program, ends it the moment an area of the screen shows a known picture,
// and exits: under hyperfine, the time from start to the first paint that stays.
// With "learn" it waits until the screen has been still for a second and prints
// the area the program changed and a hash of the picture there.
//   bench-firstpaint learn PROGRAM   prints X Y WIDTH HEIGHT HASH
//   bench-firstpaint X Y WIDTH HEIGHT HASH PROGRAM

#include <xcb/damage.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    const bool learn = argc == 3;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if ((argc != 3 && argc != 7) || xcb_connection_has_error(c))
        return 2;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const int damaged = xcb_get_extension_data(c, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    xcb_damage_create(c, xcb_generate_id(c), root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // Drops the damage the new watch reports first: the whole screen.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t* e = xcb_poll_for_event(c))
        std::free(e);
    int x0 = learn ? INT_MAX : std::atoi(argv[1]), y0 = learn ? INT_MAX : std::atoi(argv[2]);
    int x1 = learn ? INT_MIN : x0 + std::atoi(argv[3]),
        y1 = learn ? INT_MIN : y0 + std::atoi(argv[4]);
    const auto picture = [&] {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x0, y0, x1 - x0, y1 - y0, ~0u),
            nullptr);
        unsigned long long hash = 14695981039346656037u; // FNV-1a
        for (int i = 0; image && i < xcb_get_image_data_length(image); ++i)
            hash = (hash ^ xcb_get_image_data(image)[i]) * 1099511628211u;
        std::free(image);
        return hash;
    };
    const auto now = [] { return std::chrono::steady_clock::now(); };
    pid_t pid = 0;
    char* program[] = {argv[argc - 1], nullptr};
    if (posix_spawn(&pid, program[0], nullptr, nullptr, program, environ) != 0)
        return 3;
    const auto deadline = now() + std::chrono::seconds(20);
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    auto lastChange = deadline;
    int status = 1;
    // A picture taken reads in whatever events came meanwhile: look at those before waiting.
    for (bool seen = false; status && now() < deadline; seen || poll(&fd, 1, 50)) {
        seen = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const xcb_rectangle_t r = reinterpret_cast<xcb_damage_notify_event_t*>(e)->area;
            if ((e->response_type & 0x7f) == damaged && learn) {
                x0 = std::min<int>(x0, r.x), y0 = std::min<int>(y0, r.y);
                x1 = std::max(x1, r.x + r.width), y1 = std::max(y1, r.y + r.height);
                lastChange = now();
            }
            seen = seen || ((e->response_type & 0x7f) == damaged && r.x < x1 &&
                            x0 < r.x + r.width && r.y < y1 && y0 < r.y + r.height);
            std::free(e);
        }
        if (learn && now() > lastChange + std::chrono::seconds(1))
            status = std::printf("%d %d %d %d %llu\n", x0, y0, x1 - x0, y1 - y0, picture()) < 0;
        else if (!learn && seen)
            status = picture() != std::strtoull(argv[5], nullptr, 10);
        seen = seen && !learn;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return status;
}
