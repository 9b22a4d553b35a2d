// x11-screenshot FILE.png: writes what the X display ($DISPLAY) shows to a PNG, so that the
// desktop host's tests can look at the window as a person would see it.

#include <cairo-xlib.h>
#include <cairo.h>

#include <X11/Xlib.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: x11-screenshot FILE.png\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11-screenshot: cannot open the display\n");
        return 1;
    }
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    XWindowAttributes attributes {};
    XGetWindowAttributes(display, root, &attributes);
    cairo_surface_t* surface = cairo_xlib_surface_create(display, root, attributes.visual, attributes.width, attributes.height);
    cairo_status_t status = cairo_surface_write_to_png(surface, argv[1]);
    cairo_surface_destroy(surface);
    XCloseDisplay(display);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "x11-screenshot: cannot write %s: %s\n", argv[1], cairo_status_to_string(status));
        return 1;
    }
    return 0;
}
