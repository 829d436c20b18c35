/* Acts on a show's X window from outside, as a window manager and a user do;
 * events go to the window itself, so shows can share one X server (xdotool's
 * search fails when another show's window goes while it looks):
 *   tamarack-xclose [--close] WINDOW_ID  a close request (WM_DELETE_WINDOW)
 *   tamarack-xclose --escape WINDOW_ID   an Escape press and release
 *   tamarack-xclose --motion WINDOW_ID   2,000 pointer motions
 *   tamarack-xclose --find PID           prints the id of the mapped window of
 *                                        process PID, waiting up to 10 s */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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

int main(int argc, char** argv) {
    const char* what = argc == 3 ? argv[1] : "--close";
    Display* d = argc == 2 || argc == 3 ? XOpenDisplay(NULL) : NULL;
    if (!d) {
        fprintf(stderr, "usage: tamarack-xclose [--close|--escape|--motion] WINDOW_ID | --find PID\n");
        return 2;
    }
    XSetErrorHandler(ignore);
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
