/*
    Starts a program and prints how long it took, in milliseconds, until a window with
    the given title was mapped and viewable on the X display; then asks the program to
    quit (SIGTERM) and waits for it. It follows the X server's map events rather than
    polling, so the figure is as fine as the server's own timing.

        TimeToMainWindow <window title> <program> [arguments...]

    The program's output is discarded. Exits 1 when no such window appears within
    30 seconds or the program ends first.
*/
#include <X11/Xlib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    // Windows come and go while they are looked at; a vanished one is no error here.
    int ignoreErrors (Display*, XErrorEvent*) { return 0; }

    std::string textProperty (Display* display, Window window, const char* name)
    {
        Atom type = None;
        int format = 0;
        unsigned long length = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (display, window, XInternAtom (display, name, False), 0, 1024, False, AnyPropertyType,
                                &type, &format, &length, &remaining, &data) != Success || data == nullptr)
            return {};

        std::string text (format == 8 ? reinterpret_cast<const char*> (data) : "", format == 8 ? length : 0);
        XFree (data);
        return text;
    }

    // The framework sets WM_NAME as UTF8_STRING (which XFetchName does not read);
    // other toolkits set _NET_WM_NAME.
    std::string titleOf (Display* display, Window window)
    {
        const auto title = textProperty (display, window, "_NET_WM_NAME");
        return title.empty() ? textProperty (display, window, "WM_NAME") : title;
    }

    // True when the window, or one inside it (a window manager's frame holds the
    // program's own window), is viewable and has the title.
    bool showsWindowTitled (Display* display, Window window, const std::string& title)
    {
        XWindowAttributes attributes;

        if (XGetWindowAttributes (display, window, &attributes) == 0 || attributes.map_state != IsViewable)
            return false;

        if (titleOf (display, window) == title)
            return true;

        Window root = None, parent = None, * children = nullptr;
        unsigned int numChildren = 0;
        bool found = false;

        if (XQueryTree (display, window, &root, &parent, &children, &numChildren) != 0)
        {
            for (unsigned int i = 0; i < numChildren && ! found; ++i)
                found = showsWindowTitled (display, children[i], title);

            if (children != nullptr)
                XFree (children);
        }

        return found;
    }

    void stop (pid_t child)
    {
        kill (child, SIGTERM);

        for (int i = 0; i < 200; ++i)
        {
            if (waitpid (child, nullptr, WNOHANG) == child)
                return;

            usleep (50 * 1000);
        }

        kill (child, SIGKILL);
        waitpid (child, nullptr, 0);
    }
}

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf (stderr, "usage: %s <window title> <program> [arguments...]\n", argv[0]);
        return 2;
    }

    const std::string title (argv[1]);
    auto* display = XOpenDisplay (nullptr);

    if (display == nullptr)
    {
        std::fprintf (stderr, "TimeToMainWindow: cannot open the display\n");
        return 1;
    }

    XSetErrorHandler (ignoreErrors);
    const auto root = DefaultRootWindow (display);
    XSelectInput (display, root, SubstructureNotifyMask);
    XSync (display, False);

    const auto start = std::chrono::steady_clock::now();
    const auto child = fork();

    if (child == 0)
    {
        const auto devNull = open ("/dev/null", O_WRONLY);
        dup2 (devNull, STDOUT_FILENO);
        dup2 (devNull, STDERR_FILENO);
        execvp (argv[2], argv + 2);
        _exit (127);
    }

    const auto deadline = start + std::chrono::seconds (30);
    bool found = false;

    while (! found && std::chrono::steady_clock::now() < deadline)
    {
        while (XPending (display) > 0 && ! found)
        {
            XEvent event;
            XNextEvent (display, &event);

            if (event.type == CreateNotify)
                XSelectInput (display, event.xcreatewindow.window, StructureNotifyMask);   // its own map, wherever it is reparented
            else if (event.type == MapNotify)
                found = showsWindowTitled (display, event.xmap.window, title);
        }

        if (found || waitpid (child, nullptr, WNOHANG) == child)
            break;

        pollfd connection { ConnectionNumber (display), POLLIN, 0 };
        poll (&connection, 1, 20);
    }

    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;

    if (! found)
    {
        std::fprintf (stderr, "TimeToMainWindow: no window titled \"%s\" was mapped\n", title.c_str());
        stop (child);
        return 1;
    }

    std::printf ("%.1f\n", elapsed.count());
    std::fflush (stdout);
    stop (child);
    XCloseDisplay (display);
    return 0;
}
