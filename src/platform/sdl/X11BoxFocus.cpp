// xcb's names stay inside this file.
#include "platform/sdl/X11BoxFocus.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {

namespace {

template <typename Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
Owned<Reply> Take(Reply* reply) {
    return Owned<Reply>(reply, &std::free);
}

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
    const auto reply = Take(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// A property's 32-bit values; empty when it is not set.
std::vector<uint32_t> Values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                             xcb_atom_t type) {
    constexpr uint32_t kMaxValues = 4096;
    const auto reply = Take(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, type, 0, kMaxValues), nullptr));
    if (reply == nullptr || reply->format != 32) {
        return {};
    }
    const auto* first = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(first, first + xcb_get_property_value_length(reply.get()) / 4);
}

// A property change, else null.
const xcb_property_notify_event_t* AsPropertyChange(const xcb_generic_event_t* event) {
    constexpr uint8_t kSent = 0x80;
    return (event->response_type & ~kSent) == XCB_PROPERTY_NOTIFY
               ? reinterpret_cast<const xcb_property_notify_event_t*>(event)
               : nullptr;
}

// Keeps in `latest` the time of the latest property change on a window other than `clock`.
void NoteTime(const xcb_generic_event_t* event, unsigned long clock, unsigned int& latest) {
    const xcb_property_notify_event_t* change = AsPropertyChange(event);
    if (change != nullptr && change->window != clock) {
        latest = std::max<unsigned int>(latest, change->time);
    }
}

}  // namespace

X11BoxFocus::X11BoxFocus(unsigned long owner) : mOwner(owner) {
    if (owner == 0) {
        return;
    }
    int screenNumber = 0;
    mConnection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(mConnection) != 0) {
        mDone = true;
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(mConnection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        mDone = true;
        return;
    }
    mRoot = screens.data->root;
    mAtoms.clients = InternAtom(mConnection, "_NET_CLIENT_LIST");
    mAtoms.check = InternAtom(mConnection, "_NET_SUPPORTING_WM_CHECK");
    mAtoms.active = InternAtom(mConnection, "_NET_ACTIVE_WINDOW");
    mAtoms.state = InternAtom(mConnection, "_NET_WM_STATE");
    mAtoms.fullScreen = InternAtom(mConnection, "_NET_WM_STATE_FULLSCREEN");
    // New top-level windows, a window manager's new clients and focus, and the owner's state
    // wake the waiter.
    const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(mConnection, static_cast<xcb_window_t>(mRoot), XCB_CW_EVENT_MASK,
                                 &events);
    const uint32_t ownerEvents = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(mConnection, static_cast<xcb_window_t>(owner), XCB_CW_EVENT_MASK,
                                 &ownerEvents);
    // Read after the selection: a change after the reading is heard.
    mOwnerFullScreen = OwnerIsFullScreen();
    mClock = xcb_generate_id(mConnection);
    xcb_create_window(mConnection, 0, static_cast<xcb_window_t>(mClock),
                      static_cast<xcb_window_t>(mRoot), 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &ownerEvents);
    xcb_flush(mConnection);
    mDone = false;
}

X11BoxFocus::~X11BoxFocus() {
    if (mConnection != nullptr) {
        xcb_disconnect(mConnection);
    }
}

int X11BoxFocus::Fd() const {
    return mDone ? -1 : xcb_get_file_descriptor(mConnection);
}

unsigned long X11BoxFocus::FindBox() {
    // A window manager's clients, else the root's children (the windows themselves when
    // nothing reparents them).
    std::vector<uint32_t> candidates =
        Values(mConnection, static_cast<xcb_window_t>(mRoot), mAtoms.clients, XCB_ATOM_WINDOW);
    if (const auto tree = Take(xcb_query_tree_reply(
            mConnection, xcb_query_tree(mConnection, static_cast<xcb_window_t>(mRoot)), nullptr));
        tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        candidates.insert(candidates.end(), children,
                          children + xcb_query_tree_children_length(tree.get()));
    }
    for (const uint32_t window : candidates) {
        const std::vector<uint32_t> owner =
            Values(mConnection, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW);
        if (!owner.empty() && owner[0] == mOwner) {
            return window;
        }
    }
    return 0;
}

bool X11BoxFocus::WindowManagerRuns() {
    // A window manager that ended may leave its word behind: its check window must still be.
    const std::vector<uint32_t> check =
        Values(mConnection, static_cast<xcb_window_t>(mRoot), mAtoms.check, XCB_ATOM_WINDOW);
    if (check.empty()) {
        return false;
    }
    const auto attributes = Take(xcb_get_window_attributes_reply(
        mConnection, xcb_get_window_attributes(mConnection, check[0]), nullptr));
    return attributes != nullptr;
}

void X11BoxFocus::SetFocus(unsigned long box) {
    // Refused when the box went away in between: that is only an answer.
    std::free(xcb_request_check(
        mConnection,
        xcb_set_input_focus_checked(mConnection, XCB_INPUT_FOCUS_PARENT,
                                    static_cast<xcb_window_t>(box), XCB_CURRENT_TIME)));
}

void X11BoxFocus::AskFocus(unsigned long box) {
    // The box takes the focus itself; the manager is asked only last, for one that keeps
    // taking it back (i3 ends the owner's full screen for it).
    if (mTries < kTries || !WindowManagerRuns()) {
        SetFocus(box);
        return;
    }
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(box);
    event.type = mAtoms.active;
    event.data.data32[0] = 2;  // from a pager: honoured at once
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = static_cast<uint32_t>(mOwner);
    xcb_send_event(mConnection, 0, static_cast<xcb_window_t>(mRoot),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(mConnection);
}

bool X11BoxFocus::OwnerIsFullScreen() {
    for (const uint32_t atom :
         Values(mConnection, static_cast<xcb_window_t>(mOwner), mAtoms.state, XCB_ATOM_ATOM)) {
        if (atom == mAtoms.fullScreen) {
            return true;
        }
    }
    return false;
}

void X11BoxFocus::AskFullScreen() {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(mOwner);
    event.type = mAtoms.state;
    event.data.data32[0] = 1;  // add
    event.data.data32[1] = mAtoms.fullScreen;
    event.data.data32[3] = 1;  // from an application
    xcb_send_event(mConnection, 0, static_cast<xcb_window_t>(mRoot),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(mConnection);
}

void X11BoxFocus::AwaitServerTimeAfter(unsigned int time) {
    for (int read = 0; read < kClockReads; ++read) {
        // Appending nothing still tells of a change, with the server's time.
        xcb_change_property(mConnection, XCB_PROP_MODE_APPEND, static_cast<xcb_window_t>(mClock),
                            XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(mConnection);
        for (;;) {
            xcb_generic_event_t* event = xcb_wait_for_event(mConnection);
            if (event == nullptr) {
                return;
            }
            NoteTime(event, mClock, mLastSeen);
            const xcb_property_notify_event_t* change = AsPropertyChange(event);
            const bool clock = change != nullptr && change->window == mClock;
            const uint32_t now = clock ? change->time : 0;
            std::free(event);
            if (clock) {
                if (now > time) {
                    return;
                }
                break;
            }
        }
    }
}

void X11BoxFocus::RestoreOwner() {
    if (mConnection != nullptr && xcb_connection_has_error(mConnection) == 0 && mOwnerFullScreen &&
        !OwnerIsFullScreen()) {
        AskFullScreen();
    }
}

void X11BoxFocus::Step() {
    if (mDone) {
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(mConnection)) {
        NoteTime(event, mClock, mLastSeen);
        std::free(event);
    }
    StepOnce();
    // Events read while waiting for a reply wait inside xcb, where the poll does not see them.
    while (!mDone) {
        xcb_generic_event_t* event = xcb_poll_for_queued_event(mConnection);
        if (event == nullptr) {
            return;
        }
        do {
            NoteTime(event, mClock, mLastSeen);
            std::free(event);
        } while ((event = xcb_poll_for_queued_event(mConnection)) != nullptr);
        StepOnce();
    }
}

void X11BoxFocus::StepOnce() {
    if (xcb_connection_has_error(mConnection) != 0) {
        mDone = true;
        return;
    }
    if (mBox == 0) {
        mBox = FindBox();
        if (mBox == 0) {
            return;
        }
    }
    const auto attributes = Take(xcb_get_window_attributes_reply(
        mConnection, xcb_get_window_attributes(mConnection, static_cast<xcb_window_t>(mBox)),
        nullptr));
    if (attributes == nullptr) {
        // Gone: a box before this one, whose process just ended; ours comes yet.
        mBox = 0;
        mTries = 0;
        mFocused = false;
        return;
    }
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
        return;
    }
    const auto focus =
        Take(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
    mFocused = focus != nullptr && focus->focus == mBox;
    // i3 ends the owner's full screen whenever the box gets the focus. Asked again, it shows
    // the box over the owner and gives the owner the focus, with the time of the last event it
    // read: the box's focus set anew at a later time makes the server refuse that. Asked again
    // once the last ask was seen answered.
    if (mOwnerFullScreen) {
        if (OwnerIsFullScreen()) {
            mFullScreenAsked = false;
        } else if (mFocused && !mFullScreenAsked && mFullScreenAsks < kFullScreenAsks) {
            ++mFullScreenAsks;
            mFullScreenAsked = true;
            mFocused = false;  // looked at again soon
            AwaitServerTimeAfter(mLastSeen);
            AskFullScreen();
            SetFocus(mBox);
            return;
        }
    }
    if (mFocused) {
        return;
    }
    if (mTries == kTries) {
        mDone = true;
        return;
    }
    ++mTries;
    AskFocus(mBox);
}

}  // namespace platform
