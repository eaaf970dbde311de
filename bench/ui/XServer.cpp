#include "XServer.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace morvane::bench {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T>
Reply<T> reply(T* r) {
    return Reply<T>(r, &std::free);
}

constexpr std::uint32_t White = 0xFFFFFF;

}  // namespace

XServer::XServer() {
    if (!session_.ok()) return;
    xcb_connection_t* connection = xcb_connect(session_.display().c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    // A round trip, so the selection is in force before any program starts.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

XServer::~XServer() {
    if (connection_) xcb_disconnect(connection_);
}

std::optional<XServer::Appearance> XServer::waitForPaintedWindow(const std::string& title,
                                                                 Clock::duration limit) {
    const Clock::time_point end = Clock::now() + limit;
    unsigned window = 0;
    Appearance appearance;
    const int fd = xcb_get_file_descriptor(connection_);
    while (!window) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const Clock::time_point now = Clock::now();
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (!window && hasTitle(map->window, title)) {
                    window = map->window;
                    appearance.mapped = now;
                }
            }
            std::free(event);
        }
        if (window) break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(connection_)) return std::nullopt;
        pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
    // No event tells when a client has drawn; look at the window every half millisecond.
    while (!looksDrawn(window)) {
        if (Clock::now() > end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    appearance.painted = Clock::now();
    dropPendingEvents();
    return appearance;
}

bool XServer::hasTitle(unsigned window, const std::string& title) {
    auto r = reply(xcb_get_property_reply(connection_,
                                          xcb_get_property(connection_, 0, window, XCB_ATOM_WM_NAME,
                                                           XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                          nullptr));
    if (!r) return false;
    const auto* text = static_cast<const char*>(xcb_get_property_value(r.get()));
    return std::string(text, static_cast<std::size_t>(xcb_get_property_value_length(r.get()))) ==
           title;
}

bool XServer::looksDrawn(unsigned window) {
    auto geometry =
        reply(xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr));
    if (!geometry || geometry->height == 0) return false;
    auto image = reply(xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                      static_cast<std::int16_t>(geometry->width / 2), 0, 1, geometry->height, ~0u),
        nullptr));
    if (!image) return false;
    const int bytes = xcb_get_image_data_length(image.get());
    const std::uint8_t* data = xcb_get_image_data(image.get());
    // Depth 24 comes as 32 bits a pixel.
    int white = 0, pixels = bytes / 4;
    for (int i = 0; i < pixels; ++i) {
        std::uint32_t pixel;
        std::memcpy(&pixel, data + 4 * i, 4);
        if ((pixel & White) == White) ++white;
    }
    return pixels > 0 && white * 4 < pixels;
}

void XServer::dropPendingEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
}

void killProgram(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace morvane::bench
