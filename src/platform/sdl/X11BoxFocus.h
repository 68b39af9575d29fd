#pragma once

struct xcb_connection_t;

namespace platform {

// Gives a message box the keyboard once its window is viewable. Where no window manager runs,
// or one leaves the focus with the game, a new window does not get it by itself, and Enter
// would go to the game behind the box. The box is the window transient for its owner (SDL's
// box bears no process id to find an owner-less one by). A full-screen owner stays so: i3 ends
// its full screen as it gives the box the focus, and is asked for it again.
//
// Threads: whichever waits for the box; it speaks to the server on a connection of its own
// (xcb, so that a refused focus is an answer here, not an error for the whole process).
class X11BoxFocus {
public:
    // Does nothing for owner 0 or without an X server.
    explicit X11BoxFocus(unsigned long owner);
    ~X11BoxFocus();
    X11BoxFocus(const X11BoxFocus&) = delete;
    X11BoxFocus& operator=(const X11BoxFocus&) = delete;

    // Poll it for reading, for at most TimeoutMs (-1: no limit), and call Step when it is
    // readable or the time is up; -1 once done.
    int Fd() const;
    int TimeoutMs() const { return mDone || mFocused ? -1 : mBox == 0 ? kLookMs : kStepMs; }
    // Looks for the box (new windows also wake the poll) and, once it is viewable, asks for the
    // focus for it until the server says the box has it or kTries asks went unheard; then
    // watches that it keeps it while the box is up.
    void Step();
    // Once the box is gone: asks again for the owner's full screen if a window manager took
    // it away meanwhile.
    void RestoreOwner();

private:
    static constexpr int kLookMs = 250;
    static constexpr int kStepMs = 50;
    static constexpr int kTries = 4;
    // Fewer than kTries: the box's keyboard comes before the owner's full screen.
    static constexpr int kFullScreenAsks = 3;
    // Round trips at most to see the server's clock pass a time (it counts milliseconds).
    static constexpr int kClockReads = 1000;

    void StepOnce();
    unsigned long FindBox();
    bool WindowManagerRuns();
    void SetFocus(unsigned long box);
    void AskFocus(unsigned long box);
    bool OwnerIsFullScreen();
    void AskFullScreen();
    void AwaitServerTimeAfter(unsigned int time);

    struct Atoms {
        unsigned int clients = 0;
        unsigned int check = 0;
        unsigned int active = 0;
        unsigned int state = 0;
        unsigned int fullScreen = 0;
    };

    xcb_connection_t* mConnection = nullptr;
    unsigned long mRoot = 0;
    unsigned long mOwner = 0;
    unsigned long mClock = 0;    // a window of ours whose property changes tell the server's time
    unsigned int mLastSeen = 0;  // the latest time of a property change heard
    Atoms mAtoms;
    unsigned long mBox = 0;
    int mTries = 0;
    int mFullScreenAsks = 0;
    bool mFullScreenAsked = false;  // and not yet seen given
    bool mOwnerFullScreen = false;  // when the box was asked for
    bool mFocused = false;
    bool mDone = true;
};

}  // namespace platform
