#include <chrono>

#include "ControlsTestSupport.h"
#include "widgets/EditListener.h"
#include "widgets/EditWidget.h"

namespace widgettest {
namespace {

constexpr int kShift = 1;
constexpr int kCtrl = 2;

// One input: a key code (with modifiers) or a typed text.
struct Input {
    int key = 0;
    int mods = 0;
    std::string text;
};
Input Key(int key, int mods = 0) {
    return Input{key, mods, ""};
}
Input Type(std::string text) {
    return Input{0, 0, std::move(text)};
}
const Input kUndo = Type("\x1A");
const Input kCopy = Type("\x03");
const Input kCut = Type("\x18");
const Input kPaste = Type("\x16");

class VetoListener : public Vesk::EditListener {
public:
    bool AllowKey(int, int key) override { return key != mRefusedKey; }
    bool AllowChar(int, char c) override { return c != mRefusedChar; }
    bool AllowText(int, const std::string& text) override {
        mTexts.push_back(text);
        return text.find(mRefusedText) == std::string::npos;
    }
    void EditText(int, const std::string& text) override { mEntered.push_back(text); }
    int mRefusedKey = -1;
    char mRefusedChar = '\x7F';
    std::string mRefusedText = "\x7F";
    std::vector<std::string> mTexts;
    std::vector<std::string> mEntered;
};

class EditTest : public ControlsTest {
protected:
    EditTest() {
        FakeFont font;
        mEdit.SetFont(&font);
        mEdit.Resize(10, 10, 200, 20);
        mManager.AddWidget(&mEdit);
        mManager.SetFocus(&mEdit);
    }

    void Run(const std::vector<Input>& inputs) {
        for (const Input& in : inputs) {
            if (!in.text.empty()) {
                for (char c : in.text) {
                    mManager.KeyChar(c);
                }
                continue;
            }
            if (in.mods & kShift) {
                mManager.KeyDown(16);
            }
            if (in.mods & kCtrl) {
                mManager.KeyDown(17);
            }
            mManager.KeyDown(in.key);
            mManager.KeyUp(in.key);
            if (in.mods & kCtrl) {
                mManager.KeyUp(17);
            }
            if (in.mods & kShift) {
                mManager.KeyUp(16);
            }
        }
    }

    void ExpectState(const std::string& text, int cursor, int anchor, const std::string& what) {
        EXPECT_EQ(mEdit.mString, text) << what;
        EXPECT_EQ(mEdit.mCursorPos, cursor) << what;
        EXPECT_EQ(mEdit.mAnchorPos, anchor) << what;
    }

    VetoListener mListener;
    Vesk::EditWidget mEdit{1, &mListener};
};

TEST_F(EditTest, KeysAndUndo) {
    struct Case {
        const char* name;
        std::string start;  // set with SetText, then End unless the inputs say otherwise
        std::vector<Input> inputs;
        std::string text;
        int cursor;
        int anchor;
    };
    const std::vector<Case> cases = {
        {"typing replaces the SetText selection", "hello", {Type("x")}, "x", 1, -1},
        {"typed run undone in one step", "", {Type("ab"), kUndo}, "", 0, -1},
        {"undo of undo redoes", "", {Type("ab"), kUndo, kUndo}, "ab", 2, -1},
        {"backspace run is one step", "abcd", {Key(35), Key(8), Key(8), kUndo}, "abcd", 4, -1},
        {"delete run is one step", "abcd", {Key(36), Key(46), Key(46), kUndo}, "abcd", 0, -1},
        {"backspace at 0 starts no step", "", {Type("ab"), Key(36), Key(8), kUndo}, "", 0, -1},
        {"delete at the end changes nothing", "ab", {Key(35), Key(46)}, "ab", 2, -1},
        {"typing after a backspace is a new step",
         "ab",
         {Key(35), Key(8), Type("c"), kUndo},
         "a",
         1,
         -1},
        {"shift+home selects to the start", "hello", {Key(35), Key(36, kShift)}, "hello", 0, 5},
        {"left collapses a selection to its left", "hello", {Key(37)}, "hello", 0, -1},
        {"right collapses a selection to its right",
         "hello",
         {Key(35), Key(36, kShift), Key(39)},
         "hello",
         5,
         -1},
        {"ctrl+left jumps words",
         "foo bar_1  baz",
         {Key(35), Key(37, kCtrl), Key(37, kCtrl)},
         "foo bar_1  baz",
         4,
         -1},
        {"ctrl+right jumps words",
         "foo bar_1  baz",
         {Key(36), Key(39, kCtrl), Key(39, kCtrl)},
         "foo bar_1  baz",
         11,
         -1},
        {"shift+ctrl+left selects a word",
         "foo bar",
         {Key(35), Key(37, kShift | kCtrl)},
         "foo bar",
         4,
         7},
        {"cut then paste",
         "hello",
         {Key(35), Key(37, kShift), Key(37, kShift), kCut, kPaste},
         "hello",
         5,
         -1},
        {"cut is undoable", "hello", {Key(35), Key(37, kShift), kCut, kUndo}, "hello", 4, -1},
        {"selection removed by backspace", "hello", {Key(8)}, "", 0, -1},
        {"controls and high bytes are not typed", "", {Type("a\x01\x80\tb")}, "ab", 2, -1},
        {"home and end", "abc", {Key(36), Type("x"), Key(35), Type("y")}, "xabcy", 5, -1},
    };
    for (const Case& c : cases) {
        mEdit.SetText(c.start);
        mEdit.mUndoString.clear();
        mEdit.mUndoCursor = 0;
        mEdit.mUndoAnchor = 0;
        Run(c.inputs);
        ExpectState(c.text, c.cursor, c.anchor, c.name);
    }
    EXPECT_EQ(mControlsHost.mClipboard, "o");
}

TEST_F(EditTest, PasteKeepsOneLineOfDrawableAllowedBytesWithinMaxChars) {
    mListener.mRefusedChar = 'q';
    mControlsHost.mClipboard = std::string("a\x01q\xE9") + "bcdefghijklmnopqrstu\r\nnext";
    mEdit.mMaxChars = 11;
    mEdit.SetText("");
    Run({kPaste});
    ExpectState("abcdefghijk", 11, -1, "paste");

    // 64 KiB of any bytes into a field without limits: no hang, everything in range.
    std::string big(65536, 'x');
    for (size_t i = 0; i < big.size(); i += 7) {
        big[i] = static_cast<char>(i & 0xFF);
    }
    mControlsHost.mClipboard = big;
    mEdit.mMaxChars = -1;
    mEdit.mMaxPixels = 1000;
    mEdit.SetText("");
    const auto start = std::chrono::steady_clock::now();
    Run({kPaste, Key(36, kShift), kUndo, kUndo, Key(8)});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_LE(6 * static_cast<int>(mEdit.mString.size()), 1000);
    EXPECT_LE(mEdit.mCursorPos, static_cast<int>(mEdit.mString.size()));
    EXPECT_LE(mEdit.mAnchorPos, static_cast<int>(mEdit.mString.size()));
    EXPECT_LE(mEdit.mLeftPos, mEdit.mCursorPos);
}

TEST_F(EditTest, ListenerVetoesRestoreEverything) {
    mEdit.SetText("abc");
    Run({Key(35), Key(37, kShift)});
    mListener.mRefusedChar = 'x';
    mListener.mTexts.clear();
    Run({Type("x")});
    ExpectState("abc", 2, 3, "refused character");
    EXPECT_TRUE(mListener.mTexts.empty());

    mListener.mRefusedText = "z";
    Run({Type("z")});
    ExpectState("abc", 2, 3, "refused text");

    mListener.mRefusedKey = 46;
    Run({Key(36), Key(46)});
    ExpectState("abc", 0, -1, "refused key");

    Run({Key(13)});
    EXPECT_EQ(mListener.mEntered, (std::vector<std::string>{"abc"}));
}

TEST_F(EditTest, LimitsKeepCursorAndAnchorInsideTheText) {
    // maxChars lowered under an existing selection: the anchor comes back into the text.
    mEdit.SetText("abcdefghijkl");
    Run({Key(35)});
    mEdit.mMaxChars = 5;
    Run({Key(36, kShift)});
    ExpectState("abcde", 0, 5, "cut by maxChars");

    // A field narrower than its text margin scrolls to the cursor and stops.
    mEdit.mMaxChars = -1;
    mEdit.Resize(10, 10, 4, 20);
    mEdit.SetText("");
    Run({Type("abcdef")});
    EXPECT_EQ(mEdit.mLeftPos, 6);

    // Width limit in pixels: 6 px per character.
    mEdit.Resize(10, 10, 200, 20);
    mEdit.mMaxPixels = 20;
    mEdit.SetText("");
    Run({Type("abcdef")});
    EXPECT_EQ(mEdit.mString, "abc");
}

TEST_F(EditTest, MaskAndDoubleClickWordSelection) {
    mEdit.SetText("foo bar baz");
    // Index 5 sits at x = 4 + 5 * 6.
    mEdit.MouseDownButton(34, 5, 0, 2);
    mEdit.MouseUpButton(34, 5, 0, 2);
    ExpectState("foo bar baz", 7, 4, "double click");

    mEdit.mPasswordChar = '*';
    mManager.MarkAllDirty();
    mManager.DrawScreen();
    auto* font = static_cast<FakeFont*>(mEdit.mFont.get());
    ASSERT_FALSE(font->mDrawn.empty());
    EXPECT_EQ(font->mDrawn.front().substr(0, 12), "*********** ");
}

TEST_F(EditTest, CursorBlinksAndSystemCaretFollowsFocus) {
    mManager.SetFocus(nullptr);
    mControlsHost.mWantsCaret = true;
    mManager.SetFocus(&mEdit);
    const bool shown = mEdit.mShowingCursor;
    for (int i = 0; i < 40; ++i) {
        mEdit.Update();
    }
    EXPECT_EQ(mEdit.mShowingCursor, shown);
    mEdit.Update();
    EXPECT_NE(mEdit.mShowingCursor, shown);
    mManager.SetFocus(nullptr);
    ASSERT_GE(mControlsHost.mCaret.size(), 5u);
    EXPECT_EQ(mControlsHost.mCaret[0], "create 1 10");
    EXPECT_EQ(mControlsHost.mCaret[1], "show");
    EXPECT_EQ(mControlsHost.mCaret[2], "move 10 10");
    EXPECT_EQ(mControlsHost.mCaret.back(), "destroy");
}

}  // namespace
}  // namespace widgettest
