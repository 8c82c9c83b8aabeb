// Starts a program, ends it as soon as an area of the screen shows a known picture,
// and exits: under hyperfine, the time from start to the first paint that stays. With
// 0 for the picture it waits until the area has been still for a second and prints it.
//   bench-firstpaint X Y WIDTH HEIGHT PICTURE PROGRAM [ARGUMENT]

#include <xcb/damage.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (argc < 7 || xcb_connection_has_error(c))
        return 2;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const int damaged = xcb_get_extension_data(c, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    xcb_damage_create(c, xcb_generate_id(c), root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    // Drops what a new watch reports first: the whole screen.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t* e = xcb_poll_for_event(c))
        std::free(e);
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    const unsigned long long known = std::strtoull(argv[5], nullptr, 10);
    const auto picture = [&] {
        xcb_get_image_reply_t* image = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x, y, width, height, ~0u),
            nullptr);
        unsigned long long hash = 14695981039346656037u; // FNV-1a
        for (int i = 0; image && i < xcb_get_image_data_length(image); ++i)
            hash = (hash ^ xcb_get_image_data(image)[i]) * 1099511628211u;
        std::free(image);
        return hash;
    };
    const auto now = [] { return std::chrono::steady_clock::now(); };
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[6], nullptr, nullptr, argv + 6, environ) != 0)
        return 3;
    const auto deadline = now() + std::chrono::seconds(20);
    auto lastChange = deadline;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    int status = 1;
    // A picture taken reads in whatever events came meanwhile: look at those before waiting.
    for (bool seen = false; status && now() < deadline; seen || poll(&fd, 1, 50)) {
        seen = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const xcb_rectangle_t r = reinterpret_cast<xcb_damage_notify_event_t*>(e)->area;
            seen = seen || ((e->response_type & 0x7f) == damaged && r.x < x + width &&
                            x < r.x + r.width && r.y < y + height && y < r.y + r.height);
            std::free(e);
        }
        lastChange = seen ? now() : lastChange;
        if (known && seen)
            status = picture() != known;
        else if (!known && now() > lastChange + std::chrono::seconds(1))
            status = std::printf("%llu\n", picture()) < 0;
        seen = seen && known;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return status;
}
