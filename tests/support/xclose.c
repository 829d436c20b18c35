/* Acts on the live show's X window from outside, as a window manager and a
 * user would:
 *   tamarack-xclose WINDOW_ID           a close request (WM_DELETE_WINDOW)
 *   tamarack-xclose --escape WINDOW_ID  an Escape press and release
 *   tamarack-xclose --motion WINDOW_ID  2,000 pointer motions over the window
 *   tamarack-xclose --find PID          waits up to 10 s for the mapped
 *                                       window of process PID; prints its id
 * Events are sent to the window itself, so that several shows can share one
 * X server without taking each other's input focus. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static int usage(void) {
    fprintf(stderr, "usage: tamarack-xclose [--escape|--motion] WINDOW_ID | --find PID\n");
    return 2;
}

/* A window that is already gone is no failure: the show may quit first. */
static int ignoreError(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

static unsigned long windowPid(Display* d, Window w, Atom pidAtom) {
    Atom type;
    int format;
    unsigned long n, after, pid = 0;
    unsigned char* data = NULL;
    if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after, &data) ==
            Success &&
        data && n == 1 && format == 32)
        pid = *(unsigned long*)data;
    if (data) XFree(data);
    return pid;
}

/* The first viewable child of the root window that belongs to `pid`. */
static Window findWindow(Display* d, unsigned long pid) {
    Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
    Window root, parent, *children = NULL, found = 0;
    unsigned int n = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (windowPid(d, children[i], pidAtom) == pid && XGetWindowAttributes(d, children[i], &a) &&
            a.map_state == IsViewable)
            found = children[i];
    }
    if (children) XFree(children);
    return found;
}

static void sendKey(Display* d, Window w, int type) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xkey.type = type;
    e.xkey.display = d;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.time = CurrentTime;
    e.xkey.same_screen = True;
    e.xkey.keycode = XKeysymToKeycode(d, XK_Escape);
    XSendEvent(d, w, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
}

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return usage();
    const char* what = argc == 3 ? argv[1] : "--close";
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "tamarack-xclose: no display\n");
        return 1;
    }
    XSetErrorHandler(ignoreError);
    unsigned long id = strtoul(argv[argc - 1], NULL, 0);
    if (strcmp(what, "--find") == 0) {
        for (int tries = 0; tries < 1000; ++tries) {
            Window w = findWindow(d, id);
            if (w) {
                printf("%lu\n", (unsigned long)w);
                return 0;
            }
            struct timespec pause = {0, 10 * 1000 * 1000};
            nanosleep(&pause, NULL);
        }
        fprintf(stderr, "tamarack-xclose: process %lu shows no window\n", id);
        return 1;
    }
    Window w = (Window)id;
    if (strcmp(what, "--escape") == 0) {
        sendKey(d, w, KeyPress);
        sendKey(d, w, KeyRelease);
    } else if (strcmp(what, "--motion") == 0) {
        for (int i = 0; i < 2000; ++i) {
            XEvent e;
            memset(&e, 0, sizeof e);
            e.xmotion.type = MotionNotify;
            e.xmotion.display = d;
            e.xmotion.window = w;
            e.xmotion.root = DefaultRootWindow(d);
            e.xmotion.x = 10 + i % 300;
            e.xmotion.y = 10 + i % 200;
            e.xmotion.same_screen = True;
            XSendEvent(d, w, True, PointerMotionMask, &e);
        }
    } else if (strcmp(what, "--close") == 0) {
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(d, w, False, NoEventMask, &e);
    } else {
        return usage();
    }
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
