// wmdelete WINDOW: asks an X11 top-level window to close, the way a window manager's close box
// does, by sending it the ICCCM WM_DELETE_WINDOW client message. The end-to-end tests run
// without a window manager, and neither `xdotool windowclose` (which destroys the window behind
// the client's back) nor `xdotool windowkill` (which kills the client) lets the program run its
// own close handling.
//
// Exit status: 0 sent, 1 the window does not exist or does not take WM_DELETE_WINDOW,
// 2 usage or no display.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool g_badWindow = false;

int onXError(Display*, XErrorEvent* event) {
    if (event->error_code == BadWindow) g_badWindow = true;
    return 0;
}

bool takesDeleteWindow(Display* display, Window window, Atom deleteWindow) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0) return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == deleteWindow;
    XFree(protocols);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wmdelete WINDOW_ID (decimal or 0x hex)\n");
        return 2;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (errno != 0 || end == argv[1] || *end != '\0' || id == 0) {
        std::fprintf(stderr, "wmdelete: not a window id: %s\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wmdelete: cannot open the X display (DISPLAY unset or wrong?)\n");
        return 2;
    }
    XSetErrorHandler(onXError);
    const auto window = static_cast<Window>(id);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    const bool takesIt = takesDeleteWindow(display, window, deleteWindow);
    XSync(display, False);
    if (g_badWindow) {
        std::printf("no window 0x%lx\n", id);
        XCloseDisplay(display);
        return 1;
    }
    if (!takesIt) {
        std::printf("window 0x%lx does not take WM_DELETE_WINDOW\n", id);
        XCloseDisplay(display);
        return 1;
    }

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    const bool sent = !g_badWindow;
    XCloseDisplay(display);
    std::printf(sent ? "sent WM_DELETE_WINDOW to 0x%lx\n" : "no window 0x%lx\n", id);
    return sent ? 0 : 1;
}
