#include "X11Desktop.h"
#include "SpawnedProcess.h"

// Xlib defines macros (None, Bool, Status, ...) that clash with the framework's
// names, so it comes after the framework's headers and stays in this file.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace TestSupport
{
    static Display* asDisplay (void* d)     { return static_cast<Display*> (d); }

    // A window can go between listing it and asking about it; Xlib's default handler
    // would end the test for that.
    static int ignoreXError (Display*, XErrorEvent*)    { return 0; }

    X11Desktop::X11Desktop()
        : display (XOpenDisplay (nullptr))
    {
        // The handler is the process's: it goes back to the framework's at the end.
        previousErrorHandler = reinterpret_cast<int (*) (void*, void*)> (XSetErrorHandler (ignoreXError));
    }

    X11Desktop::~X11Desktop()
    {
        if (display != nullptr)
            XCloseDisplay (asDisplay (display));

        XSetErrorHandler (reinterpret_cast<XErrorHandler> (previousErrorHandler));
    }

    //==============================================================================
    static juce::Array<unsigned long> readWindowProperty (Display* d, Window window, const char* name, Atom type)
    {
        juce::Array<unsigned long> values;
        Atom actualType;
        int format;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (d, window, XInternAtom (d, name, False), 0, 65536, False, type,
                                &actualType, &format, &count, &remaining, &data) == Success
             && data != nullptr)
        {
            if (format == 32)
            {
                // Xlib hands 32-bit items over as longs.
                const auto* items = reinterpret_cast<const unsigned long*> (data);

                for (unsigned long i = 0; i < count; ++i)
                    values.add (items[i]);
            }

            XFree (data);
        }

        return values;
    }

    juce::Array<X11Desktop::WindowId> X11Desktop::getManagedWindows()
    {
        auto* d = asDisplay (display);
        return readWindowProperty (d, DefaultRootWindow (d), "_NET_CLIENT_LIST", XA_WINDOW);
    }

    static juce::String readTextProperty (Display* d, Window window, const char* name)
    {
        Atom actualType;
        int format;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        juce::String text;

        if (XGetWindowProperty (d, window, XInternAtom (d, name, False), 0, 65536, False, AnyPropertyType,
                                &actualType, &format, &count, &remaining, &data) == Success
             && data != nullptr)
        {
            if (format == 8)
                text = juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) count);

            XFree (data);
        }

        return text;
    }

    juce::String X11Desktop::getTitle (WindowId window)
    {
        // The framework gives WM_NAME as UTF8_STRING, which XFetchName does not read.
        auto* d = asDisplay (display);
        const auto title = readTextProperty (d, window, "_NET_WM_NAME");
        return title.isNotEmpty() ? title : readTextProperty (d, window, "WM_NAME");
    }

    pid_t X11Desktop::getProcess (WindowId window)
    {
        const auto values = readWindowProperty (asDisplay (display), window, "_NET_WM_PID", XA_CARDINAL);
        return values.isEmpty() ? 0 : (pid_t) values.getFirst();
    }

    bool X11Desktop::isViewable (WindowId window)
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes (asDisplay (display), window, &attributes) != 0
                && attributes.map_state == IsViewable;
    }

    //==============================================================================
    X11Desktop::WindowId X11Desktop::waitForWindow (const juce::String& title, pid_t pid, int timeoutMs)
    {
        WindowId found = 0;

        waitUntil (pid, [&]
        {
            for (auto window : getManagedWindows())
                if (getProcess (window) == pid && getTitle (window) == title && isViewable (window))
                    found = window;

            return found != 0;
        }, timeoutMs);

        return found;
    }

    bool X11Desktop::waitForWindowToBeDestroyed (WindowId window, pid_t pid, int timeoutMs)
    {
        XWindowAttributes attributes;
        return waitUntil (pid, [&] { return XGetWindowAttributes (asDisplay (display), window, &attributes) == 0; }, timeoutMs);
    }

    bool X11Desktop::waitUntil (pid_t pid, const std::function<bool()>& condition, int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounter() >= end)
                return false;

            for (auto window : getManagedWindows())
                if (getProcess (window) == pid)
                    nudge (window);

            juce::Thread::sleep (20);
        }

        return true;
    }

    void X11Desktop::nudge (WindowId window)
    {
        auto* d = asDisplay (display);
        const unsigned char value = 0;
        XChangeProperty (d, window, XInternAtom (d, "VEXILOR_TEST_NUDGE", False), XA_CARDINAL, 8, PropModeReplace, &value, 1);
        XFlush (d);
    }

    juce::StringArray X11Desktop::getWindowTitles (pid_t pid)
    {
        juce::StringArray titles;

        for (auto window : getManagedWindows())
            if (getProcess (window) == pid)
                titles.add (getTitle (window));

        return titles;
    }

    bool X11Desktop::isFramed (WindowId window)
    {
        // Openbox lists the window and gives its frame extents once it manages it; it
        // places the frame before it shows it.
        return getManagedWindows().contains (window)
                && readWindowProperty (asDisplay (display), window, "_NET_FRAME_EXTENTS", XA_CARDINAL).size() == 4
                && isViewable (window);
    }

    X11Desktop::Area X11Desktop::getArea (WindowId window)
    {
        auto* d = asDisplay (display);
        XWindowAttributes attributes;
        Area area;

        if (XGetWindowAttributes (d, window, &attributes) != 0)
        {
            Window child;
            XTranslateCoordinates (d, window, DefaultRootWindow (d), 0, 0, &area.x, &area.y, &child);
            area.width = attributes.width;
            area.height = attributes.height;
        }

        return area;
    }

    juce::Array<X11Desktop::Area> X11Desktop::getChildAreas (WindowId window)
    {
        auto* d = asDisplay (display);
        juce::Array<Area> areas;
        Window root, parent, *children = nullptr;
        unsigned int count = 0;

        if (XQueryTree (d, window, &root, &parent, &children, &count) != 0)
        {
            for (unsigned int i = 0; i < count; ++i)
                areas.add (getArea (children[i]));

            if (children != nullptr)
                XFree (children);
        }

        return areas;
    }

    X11Desktop::Area X11Desktop::getFrameArea (WindowId window)
    {
        // The frame is the ancestor that sits directly on the root window.
        auto* d = asDisplay (display);
        Window current = window;

        for (;;)
        {
            Window root, parent, *children = nullptr;
            unsigned int count = 0;

            if (XQueryTree (d, current, &root, &parent, &children, &count) == 0)
                break;

            if (children != nullptr)
                XFree (children);

            if (parent == root || parent == 0)
                break;

            current = parent;
        }

        return getArea (current);
    }

    int X11Desktop::getTitleBarHeight (WindowId window)
    {
        // left, right, top, bottom
        const auto extents = readWindowProperty (asDisplay (display), window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
        return extents.size() == 4 ? (int) extents[2] : 0;
    }

    juce::uint32 X11Desktop::getPixel (int x, int y)
    {
        auto* d = asDisplay (display);
        juce::uint32 rgb = 0;

        if (auto* image = XGetImage (d, DefaultRootWindow (d), x, y, 1, 1, AllPlanes, ZPixmap))
        {
            rgb = (juce::uint32) (XGetPixel (image, 0, 0) & 0xffffff);
            XDestroyImage (image);
        }

        return rgb;
    }

    X11Desktop::Position X11Desktop::getPointerPosition()
    {
        auto* d = asDisplay (display);
        Window root, child;
        int windowX, windowY;
        unsigned int buttons;
        Position position;

        XQueryPointer (d, DefaultRootWindow (d), &root, &child, &position.x, &position.y, &windowX, &windowY, &buttons);
        return position;
    }

    //==============================================================================
    bool X11Desktop::runXdotool (const juce::StringArray& arguments)
    {
        juce::StringArray command { "xdotool" };
        command.addArray (arguments);
        return SpawnedProcess::run (command, SpawnedProcess::currentEnvironment(), 10000) == ExitStatus::exitCode (0);
    }

    // One xdotool run each, so that the pointer has moved before the button acts.
    // (No --sync: it waits for a motion that never comes when the pointer is there already.)
    bool X11Desktop::movePointer (int x, int y)
    {
        return runXdotool ({ "mousemove", juce::String (x), juce::String (y) });
    }

    bool X11Desktop::pressButton (int x, int y)
    {
        return runXdotool ({ "mousemove", juce::String (x), juce::String (y), "mousedown", "1" });
    }

    bool X11Desktop::releaseButton()
    {
        return runXdotool ({ "mouseup", "1" });
    }

    bool X11Desktop::click (int x, int y)
    {
        return runXdotool ({ "mousemove", juce::String (x), juce::String (y), "click", "1" });
    }

    bool X11Desktop::clickCloseButton (WindowId window)
    {
        const auto frame = getFrameArea (window);
        const auto titleBarHeight = getTitleBarHeight (window);
        return titleBarHeight > 0 && click (frame.getRight() - titleBarHeight / 2 - 2, frame.y + titleBarHeight / 2);
    }

    bool X11Desktop::activate (WindowId window)
    {
        return runXdotool ({ "windowactivate", "--sync", juce::String ((juce::int64) window) });
    }

    bool X11Desktop::raise (WindowId window)
    {
        return runXdotool ({ "windowraise", juce::String ((juce::int64) window) });
    }

    bool X11Desktop::moveToCorner (WindowId window)
    {
        const auto before = getFrameArea (window);

        if (before.x != 0 || before.y != 0)
        {
            // Without --sync, which waits for good when the window is where it goes already.
            if (! runXdotool ({ "windowmove", juce::String ((juce::int64) window), "0", "0" }))
                return false;

            const auto end = juce::Time::getMillisecondCounter() + 10000;

            for (;;)
            {
                const auto after = getFrameArea (window);

                if (after.x != before.x || after.y != before.y)
                    break;

                if (juce::Time::getMillisecondCounter() >= end)
                    return false;

                juce::Thread::sleep (10);
            }
        }

        return activate (window);
    }

    bool X11Desktop::pressKeys (const juce::String& keys)
    {
        return runXdotool ({ "key", "--clearmodifiers", keys });
    }

    bool X11Desktop::saveScreenshot (WindowId window, const juce::File& pngFile)
    {
        pngFile.getParentDirectory().createDirectory();
        const auto frame = getFrameArea (window);
        const auto geometry = juce::String (frame.width) + "x" + juce::String (frame.height)
                                + "+" + juce::String (frame.x) + "+" + juce::String (frame.y);

        return SpawnedProcess::run ({ "import", "-window", "root", "-crop", geometry, "+repage", pngFile.getFullPathName() },
                                    SpawnedProcess::currentEnvironment(), 30000) == ExitStatus::exitCode (0)
                 && pngFile.existsAsFile();
    }
}
