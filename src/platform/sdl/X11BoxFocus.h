#pragma once

struct xcb_connection_t;

namespace platform {

// Gives a message box the keyboard once its window is viewable. Where no window manager runs,
// or one leaves the focus with the game (i3 over a full-screen game), a new window does not
// get it by itself, and Enter would go to the game behind the box. The box is the window
// transient for its owner (SDL's box bears no process id to find an owner-less one by).
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

    // Poll it for reading while not Done(), and call Step when it is readable or
    // kStepMs have passed; -1 once done.
    int Fd() const;
    bool Done() const { return mDone; }
    static constexpr int kStepMs = 50;
    // Looks for the box and, once it is viewable, asks for the focus for it, until the
    // server says the box has it or kTries asks went unheard.
    void Step();

private:
    static constexpr int kTries = 4;

    unsigned long FindBox();
    bool WindowManagerRuns();
    void AskFocus(unsigned long box);

    struct Atoms {
        unsigned int clients = 0;
        unsigned int check = 0;
        unsigned int active = 0;
    };

    xcb_connection_t* mConnection = nullptr;
    unsigned long mRoot = 0;
    unsigned long mOwner = 0;
    Atoms mAtoms;
    unsigned long mBox = 0;
    int mTries = 0;
    bool mDone = true;
};

}  // namespace platform
