// A small X client for the window tests: it maps a top-level window and
// reports its id, then lives until it is killed (two minutes at most).
//
//   window_probe FILE [--no-pid] [--splash]
//
// FILE receives "pid <pid>" and "normal <id>" (with --splash also
// "splash <id>") once the windows are mapped. --no-pid leaves out _NET_WM_PID, so that only the
// server knows the process; --splash maps a splash screen before the window.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

void setText(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
             const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, uint32_t(text.size()),
                        text.data());
}

xcb_window_t makeWindow(xcb_connection_t* c, const xcb_screen_t* screen, bool withPid,
                        const char* type) {
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 10, 10, 320, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    setText(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "window probe");
    setText(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, std::string("probe\0Probe\0", 12));
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    setText(c, w, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host);
    if (withPid) {
        const uint32_t pid = uint32_t(getpid());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL,
                            32, 1, &pid);
    }
    const xcb_atom_t kind = atom(c, type);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                        32, 1, &kind);
    xcb_map_window(c, w);
    return w;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    bool withPid = true, splash = false;
    for (int i = 2; i < argc; ++i) {
        withPid = withPid && std::strcmp(argv[i], "--no-pid") != 0;
        splash = splash || std::strcmp(argv[i], "--splash") == 0;
    }
    alarm(120);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;

    std::string report = "pid " + std::to_string(getpid()) + "\n";
    if (splash) {
        const xcb_window_t s = makeWindow(c, screen, withPid, "_NET_WM_WINDOW_TYPE_SPLASH");
        report += "splash " + std::to_string(s) + "\n";
        xcb_flush(c);
        usleep(200 * 1000);
    }
    const xcb_window_t w = makeWindow(c, screen, withPid, "_NET_WM_WINDOW_TYPE_NORMAL");
    report += "normal " + std::to_string(w) + "\n";
    xcb_flush(c);

    // Written whole under another name, then renamed: readers never see half of it.
    const std::string file = argv[1], part = file + ".part";
    FILE* out = std::fopen(part.c_str(), "w");
    if (!out) return 1;
    std::fputs(report.c_str(), out);
    std::fclose(out);
    std::rename(part.c_str(), file.c_str());

    while (xcb_generic_event_t* event = xcb_wait_for_event(c))
        std::free(event);
    return 0;
}
