#pragma once

#include <juce_core/juce_core.h>

#include <functional>

#include <sys/types.h>

namespace TestSupport
{
    //==============================================================================
    /**
        The virtual display as a user's test sees it: the windows that the window
        manager manages, found by title, their sizes and frames, and input through
        xdotool, which sends it as real pointer and key events.
    */
    class X11Desktop
    {
    public:
        using WindowId = unsigned long;

        /** Connects to $DISPLAY. */
        X11Desktop();
        ~X11Desktop();

        bool isOpen() const noexcept     { return display != nullptr; }

        /** A rectangle in root-window coordinates. */
        struct Area
        {
            int x = 0, y = 0, width = 0, height = 0;

            int getRight() const noexcept   { return x + width; }
            int getBottom() const noexcept  { return y + height; }
        };

        //==============================================================================
        /** The window that the window manager manages with this exact title, of the
            process given (its _NET_WM_PID), once it is visible; 0 if there is none
            within the time given.
        */
        WindowId waitForWindow (const juce::String& title, pid_t pid, int timeoutMs);

        /** Waits (bounded) until the process has destroyed the window: no longer only
            hidden, which comes first.
        */
        bool waitForWindowToBeDestroyed (WindowId window, pid_t pid, int timeoutMs);

        /** Waits (bounded) until the condition holds, nudging the process's windows
            meanwhile so that the input given to them reaches the process.
        */
        bool waitUntil (pid_t pid, const std::function<bool()>& condition, int timeoutMs);

        /** Changes a property of no meaning on the window, which gives its owner an X
            event. The framework reads its X connection only when the socket has data: an
            event that Xlib took into its queue during a round trip made elsewhere (a
            repaint's, for example) waits there until the next one arrives.
        */
        void nudge (WindowId window);

        /** The titles of all windows the window manager manages for the process. */
        juce::StringArray getWindowTitles (pid_t pid);

        /** Whether the window manager has taken the window in: framed it, placed it where
            it stays, and shown it. Until then the window may still move.
        */
        bool isFramed (WindowId window);

        /** The window's area, without the window manager's frame. */
        Area getArea (WindowId window);

        /** The areas of the window's direct child windows. */
        juce::Array<Area> getChildAreas (WindowId window);

        /** The window manager's frame around the window (title bar and borders included),
            and the height of its title bar.
        */
        Area getFrameArea (WindowId window);
        int getTitleBarHeight (WindowId window);

        /** What the screen shows at a point, as 0xRRGGBB. */
        juce::uint32 getPixel (int x, int y);

        //==============================================================================
        /** Where the pointer is, in root-window coordinates. */
        struct Position
        {
            int x = 0, y = 0;

            bool operator== (const Position& other) const noexcept  { return x == other.x && y == other.y; }
        };

        Position getPointerPosition();

        /** Pointer and keyboard, as real input events (XTest, through xdotool). */
        bool movePointer (int x, int y);
        bool pressButton (int x, int y);
        bool releaseButton();
        bool click (int x, int y);

        /** Clicks the window manager's close button, the last one at the right of the
            window's title bar; false when the window has no title bar.
        */
        bool clickCloseButton (WindowId window);
        bool activate (WindowId window);
        bool raise (WindowId window);

        /** Moves the window (its frame) to the top left corner of the screen and raises
            it: away from the centre, where other programs' windows appear.
        */
        bool moveToCorner (WindowId window);
        bool pressKeys (const juce::String& keys);   // xdotool's key names, e.g. "ctrl+comma"

        /** Saves what the window shows, frame included, as a PNG. */
        bool saveScreenshot (WindowId window, const juce::File& pngFile);

    private:
        bool runXdotool (const juce::StringArray& arguments);
        juce::Array<WindowId> getManagedWindows();
        juce::String getTitle (WindowId);
        pid_t getProcess (WindowId);
        bool isViewable (WindowId);

        void* display = nullptr;    // the Xlib display, kept out of this header
        int (*previousErrorHandler) (void*, void*) = nullptr;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (X11Desktop)
    };
}
