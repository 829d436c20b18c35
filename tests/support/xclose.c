/* Acts on a show's X window from outside, as a window manager and a user do;
 * events go to the window itself, so shows can share one X server (xdotool's
 * search fails when another show's window goes while it looks):
 *   tamarack-xclose [--close] WINDOW_ID  a close request (WM_DELETE_WINDOW)
 *   tamarack-xclose --escape WINDOW_ID   an Escape press and release
 *   tamarack-xclose --motion WINDOW_ID   2,000 pointer motions
 *   tamarack-xclose --find PID           prints the id of the mapped window of
 *                                        process PID, waiting up to 10 s
 *   tamarack-xclose --windows            prints "ID X Y WIDTH HEIGHT" for each mapped
 *                                        top-level window, X and Y on the screen
 *   tamarack-xclose --grab FILE.ppm      writes what the screen shows (binary PPM) half
 *                                        a second after it first shows anything but
 *                                        black (waiting up to 30 s for that) */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int ignore(Display* d, XErrorEvent* e) { /* the window may be gone already */
    (void)d, (void)e;
    return 0;
}

static Window find(Display* d, unsigned long pid) {
    Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False), type;
    Window root, parent, *kids = NULL, found = 0;
    unsigned int n = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n);
    for (unsigned int i = 0; i < n && !found; ++i) {
        int format;
        unsigned long count, after;
        unsigned char* data = NULL;
        XWindowAttributes a;
        if (XGetWindowProperty(d, kids[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) == Success &&
            data && count == 1 && *(unsigned long*)data == pid && XGetWindowAttributes(d, kids[i], &a) &&
            a.map_state == IsViewable)
            found = kids[i];
        if (data) XFree(data);
    }
    if (kids) XFree(kids);
    return found;
}

static int listWindows(Display* d) {
    Window root, parent, *kids = NULL;
    unsigned int n = 0;
    XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n);
    for (unsigned int i = 0; i < n; ++i) {
        XWindowAttributes a;
        int x, y;
        Window child;
        if (!XGetWindowAttributes(d, kids[i], &a) || a.map_state != IsViewable) continue;
        XTranslateCoordinates(d, kids[i], root, 0, 0, &x, &y, &child);
        printf("%lu %d %d %d %d\n", (unsigned long)kids[i], x, y, a.width, a.height);
    }
    if (kids) XFree(kids);
    return 0;
}

static int lit(XImage* img, int w, int h) {
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2)
            if (XGetPixel(img, x, y) & 0xffffff) return 1;
    return 0;
}

static int grab(Display* d, const char* path) {
    XWindowAttributes a;
    XGetWindowAttributes(d, DefaultRootWindow(d), &a);
    XImage* img = NULL;
    for (int tries = 0; tries < 300; ++tries, usleep(100000)) {
        img = XGetImage(d, DefaultRootWindow(d), 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!img || lit(img, a.width, a.height)) break;
        XDestroyImage(img);
        img = NULL;
    }
    if (img) { /* a few frames later, whole */
        XDestroyImage(img);
        usleep(500000);
        img = XGetImage(d, DefaultRootWindow(d), 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    }
    FILE* f = img ? fopen(path, "wb") : NULL;
    if (!f) return 1;
    fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const unsigned long p = XGetPixel(img, x, y);
            const unsigned char rgb[3] = {(unsigned char)((p & img->red_mask) >> 16),
                                          (unsigned char)((p & img->green_mask) >> 8),
                                          (unsigned char)(p & img->blue_mask)};
            fwrite(rgb, 1, 3, f);
        }
    XDestroyImage(img);
    return fclose(f) != 0;
}

int main(int argc, char** argv) {
    const char* what = argc == 3 ? argv[1] : "--close";
    Display* d = argc == 2 || argc == 3 ? XOpenDisplay(NULL) : NULL;
    if (!d) {
        fprintf(stderr,
                "usage: tamarack-xclose [--close|--escape|--motion] WINDOW_ID | --find PID | --windows | "
                "--grab FILE.ppm\n");
        return 2;
    }
    XSetErrorHandler(ignore);
    if (!strcmp(argv[1], "--windows")) return listWindows(d);
    if (!strcmp(what, "--grab")) return grab(d, argv[2]);
    const unsigned long id = strtoul(argv[argc - 1], NULL, 0);
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xany.window = (Window)id;
    if (!strcmp(what, "--find")) {
        for (int tries = 0; tries < 1000; ++tries, usleep(10000))
            if ((e.xany.window = find(d, id))) return printf("%lu\n", (unsigned long)e.xany.window) < 0;
        fprintf(stderr, "tamarack-xclose: process %lu shows no window\n", id);
        return 1;
    } else if (!strcmp(what, "--escape")) {
        e.xkey.root = DefaultRootWindow(d);
        e.xkey.same_screen = True;
        e.xkey.keycode = XKeysymToKeycode(d, XK_Escape);
        e.type = KeyPress;
        XSendEvent(d, e.xany.window, True, KeyPressMask, &e);
        e.type = KeyRelease;
        XSendEvent(d, e.xany.window, True, KeyReleaseMask, &e);
    } else if (!strcmp(what, "--motion")) {
        e.type = MotionNotify;
        e.xmotion.root = DefaultRootWindow(d);
        e.xmotion.same_screen = True;
        for (int i = 0; i < 2000; ++i) {
            e.xmotion.x = 10 + i % 300, e.xmotion.y = 10 + i % 200;
            XSendEvent(d, e.xany.window, True, PointerMotionMask, &e);
        }
    } else {
        e.type = ClientMessage;
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
        XSendEvent(d, e.xany.window, False, NoEventMask, &e);
    }
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
