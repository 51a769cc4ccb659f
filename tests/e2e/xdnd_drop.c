/* An X drag-and-drop source, as a file manager is one: drops a list of files or folders on
 * whatever XDND-aware window lies under a point of the screen.
 *
 *   xdnd_drop [--timeout SECONDS] X Y PATH...
 *
 * X and Y are root-window coordinates. Each PATH (absolute) is offered as a file: URI in a
 * text/uri-list. The program owns the XdndSelection, sends XdndEnter and XdndPosition, answers
 * the target's selection requests, and drops once the target accepts.
 * Exit status: 0 dropped and finished, 2 the target refused the drop or there is none,
 * 3 no answer in time, 1 usage or X errors. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

enum { kXdndVersion = 5, kMaxUriList = 1 << 20, kMaxDepth = 64 };

static Display* dpy;
static Window source;
static Atom XdndAware, XdndSelection, XdndEnter, XdndPosition, XdndStatus, XdndLeave, XdndDrop,
    XdndFinished, XdndActionCopy, XdndTypeList, UriList, Targets;
static char* uri_list;
static size_t uri_len;

/* Appends text to the URI list, failing rather than growing past the cap. */
static int append(const char* text, size_t len) {
    if (len > kMaxUriList - uri_len) return 0;
    memcpy(uri_list + uri_len, text, len);
    uri_len += len;
    return 1;
}

/* file:// followed by the path with every byte outside the unreserved set percent-encoded. */
static int append_uri(const char* path) {
    static const char hex[] = "0123456789ABCDEF";
    if (!append("file://", 7)) return 0;
    for (const unsigned char* p = (const unsigned char*)path; *p; ++p) {
        unsigned char c = *p;
        int plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            if (!append((const char*)p, 1)) return 0;
        } else {
            char esc[3] = {'%', hex[c >> 4], hex[c & 15]};
            if (!append(esc, 3)) return 0;
        }
    }
    return append("\r\n", 2);
}

static double now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

/* The XDND version a window announces, 0 when it is not aware. */
static long aware_version(Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long version = 0;
    if (XGetWindowProperty(dpy, w, XdndAware, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
        if (type == XA_ATOM && format == 32 && count == 1) version = *(long*)data;
        XFree(data);
    }
    return version;
}

/* The deepest XDND-aware window under the root point (x, y), walking down the tree. */
static Window find_target(int x, int y, long* version) {
    Window root = DefaultRootWindow(dpy), w = root, found = None;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        Window child = None;
        int cx, cy;
        if (!XTranslateCoordinates(dpy, root, w, x, y, &cx, &cy, &child)) break;
        if (w != root) {
            long v = aware_version(w);
            if (v) {
                found = w;
                *version = v;
            }
        }
        if (child == None) break;
        w = child;
    }
    return found;
}

static void send_client(Window target, Atom type, long l0, long l1, long l2, long l3, long l4) {
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.display = dpy;
    ev.xclient.window = target;
    ev.xclient.message_type = type;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = l0;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &ev);
    XFlush(dpy);
}

/* Hands the URI list (or the list of targets) to a requestor of our selection. */
static void answer_request(const XSelectionRequestEvent* req) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = req->display;
    reply.xselection.requestor = req->requestor;
    reply.xselection.selection = req->selection;
    reply.xselection.target = req->target;
    reply.xselection.time = req->time;
    reply.xselection.property = None;
    Atom property = req->property != None ? req->property : req->target;
    if (req->selection == XdndSelection && req->target == UriList) {
        XChangeProperty(dpy, req->requestor, property, UriList, 8, PropModeReplace,
                        (const unsigned char*)uri_list, (int)uri_len);
        reply.xselection.property = property;
    } else if (req->selection == XdndSelection && req->target == Targets) {
        Atom targets[2] = {Targets, UriList};
        XChangeProperty(dpy, req->requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)targets, 2);
        reply.xselection.property = property;
    }
    XSendEvent(dpy, req->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Waits for a client message of the given type from the target, answering selection requests
 * meanwhile. Returns 1 with the event filled in, 0 on timeout. */
static int wait_for(Atom type, double deadline, XEvent* out) {
    int fd = ConnectionNumber(dpy);
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type == SelectionRequest) {
                answer_request(&ev.xselectionrequest);
            } else if (ev.type == ClientMessage && ev.xclient.message_type == type) {
                *out = ev;
                return 1;
            }
        }
        double left = deadline - now();
        if (left <= 0) return 0;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        struct timeval tv = {(time_t)left, (suseconds_t)((left - (time_t)left) * 1e6)};
        select(fd + 1, &fds, NULL, NULL, &tv);
    }
}

int main(int argc, char** argv) {
    double timeout = 20;
    int arg = 1;
    if (arg + 1 < argc && strcmp(argv[arg], "--timeout") == 0) {
        timeout = atof(argv[arg + 1]);
        arg += 2;
    }
    if (argc - arg < 3) {
        fprintf(stderr, "usage: %s [--timeout SECONDS] X Y PATH...\n", argv[0]);
        return 1;
    }
    int x = atoi(argv[arg]), y = atoi(argv[arg + 1]);
    uri_list = malloc(kMaxUriList);
    if (!uri_list) return 1;
    for (int i = arg + 2; i < argc; ++i) {
        if (argv[i][0] != '/' || !append_uri(argv[i])) {
            fprintf(stderr, "xdnd_drop: not an absolute path, or too many: %s\n", argv[i]);
            return 1;
        }
    }

    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xdnd_drop: cannot open display\n");
        return 1;
    }
    XdndAware = XInternAtom(dpy, "XdndAware", False);
    XdndSelection = XInternAtom(dpy, "XdndSelection", False);
    XdndEnter = XInternAtom(dpy, "XdndEnter", False);
    XdndPosition = XInternAtom(dpy, "XdndPosition", False);
    XdndStatus = XInternAtom(dpy, "XdndStatus", False);
    XdndLeave = XInternAtom(dpy, "XdndLeave", False);
    XdndDrop = XInternAtom(dpy, "XdndDrop", False);
    XdndFinished = XInternAtom(dpy, "XdndFinished", False);
    XdndActionCopy = XInternAtom(dpy, "XdndActionCopy", False);
    XdndTypeList = XInternAtom(dpy, "XdndTypeList", False);
    UriList = XInternAtom(dpy, "text/uri-list", False);
    Targets = XInternAtom(dpy, "TARGETS", False);

    source = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    Atom types[1] = {UriList};
    XChangeProperty(dpy, source, XdndTypeList, XA_ATOM, 32, PropModeReplace,
                    (const unsigned char*)types, 1);
    XSetSelectionOwner(dpy, XdndSelection, source, CurrentTime);
    if (XGetSelectionOwner(dpy, XdndSelection) != source) {
        fprintf(stderr, "xdnd_drop: cannot own the XdndSelection\n");
        return 1;
    }

    long version = 0;
    Window target = find_target(x, y, &version);
    if (target == None) {
        fprintf(stderr, "xdnd_drop: no XDND-aware window at %d,%d\n", x, y);
        return 2;
    }
    if (version > kXdndVersion) version = kXdndVersion;
    fprintf(stderr, "xdnd_drop: target 0x%lx, XDND version %ld\n", target, version);

    double deadline = now() + timeout;
    XEvent ev;
    send_client(target, XdndEnter, (long)source, version << 24, (long)UriList, None, None);
    send_client(target, XdndPosition, (long)source, 0, ((long)x << 16) | (y & 0xFFFF), CurrentTime,
                (long)XdndActionCopy);
    if (!wait_for(XdndStatus, deadline, &ev)) {
        fprintf(stderr, "xdnd_drop: no XdndStatus in time\n");
        send_client(target, XdndLeave, (long)source, 0, 0, 0, 0);
        return 3;
    }
    if (!(ev.xclient.data.l[1] & 1)) {
        fprintf(stderr, "xdnd_drop: the target refuses the drop\n");
        send_client(target, XdndLeave, (long)source, 0, 0, 0, 0);
        return 2;
    }
    send_client(target, XdndDrop, (long)source, 0, CurrentTime, 0, 0);
    if (!wait_for(XdndFinished, deadline, &ev)) {
        fprintf(stderr, "xdnd_drop: no XdndFinished in time\n");
        return 3;
    }
    fprintf(stderr, "xdnd_drop: dropped\n");
    XCloseDisplay(dpy);
    free(uri_list);
    return 0;
}
