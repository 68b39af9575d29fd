// Random trees of every control under random input, with adds, removals, deletions and modal
// changes between events and from inside the controls' own callbacks. After every step the tree
// is linked up and every widget the manager names is in it. Seeded: a failure names its seed
// and step.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ControlsTestSupport.h"
#include "widgets/ButtonListener.h"
#include "widgets/Checkbox.h"
#include "widgets/CheckboxListener.h"
#include "widgets/Dialog.h"
#include "widgets/DialogButton.h"
#include "widgets/DialogListener.h"
#include "widgets/EditListener.h"
#include "widgets/EditWidget.h"
#include "widgets/ListListener.h"
#include "widgets/ListWidget.h"
#include "widgets/ScrollListener.h"
#include "widgets/ScrollbarWidget.h"
#include "widgets/ScrollbuttonWidget.h"
#include "widgets/Slider.h"
#include "widgets/SliderListener.h"
#include "widgets/zmDialog.h"
#include "widgets/zmListWidget.h"
#include "widgets/zmScrollbarWidget.h"
#include "widgets/zmScrollbuttonWidget.h"
#include "widgets/zmWidget.h"

namespace widgettest {
namespace {

using Vesk::Widget;
using Vesk::WidgetContainer;

// About a second under the sanitizers. VESK_WIDGET_SEED=n runs seed n alone.
constexpr unsigned kSeeds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr int kStepsPerSeed = 20000;
constexpr int kPoolSize = 12;
// Callbacks change the tree from inside callbacks, but not without end.
constexpr int kMaxPokeDepth = 3;

class Poker {
public:
    virtual ~Poker() = default;
    // Maybe changes the tree, the focus or the modal stack.
    virtual void Poke() = 0;
};

// A control whose every notification may change the tree it is in.
template <class Base>
class Poked : public Base {
public:
    template <class... Args>
    explicit Poked(Poker* poker, Args&&... args)
        : Base(std::forward<Args>(args)...), mPoker(poker) {}

    void Update() override {
        Base::Update();
        mPoker->Poke();
    }
    void MouseEnter() override {
        Base::MouseEnter();
        mPoker->Poke();
    }
    void MouseLeave() override {
        Base::MouseLeave();
        mPoker->Poke();
    }
    void MouseDown(int x, int y, int clickCount) override {
        Base::MouseDown(x, y, clickCount);
        mPoker->Poke();
    }
    void MouseUp(int x, int y, int clickCount) override {
        Base::MouseUp(x, y, clickCount);
        mPoker->Poke();
    }
    void GotFocus() override {
        Base::GotFocus();
        mPoker->Poke();
    }
    void LostFocus() override {
        Base::LostFocus();
        mPoker->Poke();
    }
    void RemovedFromManager(Vesk::WidgetManager* manager) override {
        Base::RemovedFromManager(manager);
        mPoker->Poke();
    }

private:
    Poker* mPoker;
};

class Chaos : public Poker,
              public Vesk::ButtonListener,
              public Vesk::CheckboxListener,
              public Vesk::SliderListener,
              public Vesk::ScrollListener,
              public Vesk::ListListener,
              public Vesk::EditListener,
              public Vesk::DialogListener {
public:
    explicit Chaos(unsigned seed) : mRandom(seed) {
        // Small: only the walks matter, not the pixels.
        mScreen.Create(32, 32);
        mManager.mImage = &mScreen;
        mManager.mHost = &mHost;
        mManager.SetViewRects(Vesk::Rect(0, 0, 800, 600), Vesk::Rect(0, 0, 800, 600));
        for (int i = 0; i < kPoolSize; ++i) {
            mPool.push_back(MakeControl());
        }
    }
    ~Chaos() override {
        // The widgets leave the manager before it goes, without a last poke.
        mDepth = kMaxPokeDepth;
        mPool.clear();
    }

    // One top-level step: an input event, a frame, a tree change or a deletion.
    void Step() {
        static constexpr int kClicks[] = {1, 2, -1, -2, 3};
        static constexpr int kKeys[] = {9, 13, 16, 17, 35, 36, 37, 39, 46, 8, 65};
        const Vesk::Point at = Spot();
        switch (Pick(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
                mManager.MouseMove(at.mX, at.mY);
                break;
            case 4:
                mManager.MouseDown(at.mX, at.mY, kClicks[Pick(5)]);
                break;
            case 5:
                mManager.MouseUp(at.mX, at.mY, kClicks[Pick(5)]);
                break;
            case 6:
                mManager.KeyDown(kKeys[Pick(11)]);
                break;
            case 7:
                mManager.KeyUp(kKeys[Pick(11)]);
                break;
            case 8:
                mManager.KeyChar(static_cast<char>(Pick(128)));
                mManager.MouseWheel(Pick(3) - 1);
                break;
            case 9:
                if (Pick(2) == 0) {
                    mManager.LostFocus();
                } else {
                    mManager.GotFocus();
                }
                mManager.MouseExit(0, 0);
                break;
            case 10:
                mManager.UpdateFrame();
                mManager.UpdateFrameF(0.5f);
                break;
            case 11:
                mManager.MarkAllDirty();
                mManager.DrawScreen();
                break;
            case 12:
            case 13: {
                // The owner removes a widget and deletes it; a fresh one takes its place. No
                // callback runs while it goes: none could touch a half-deleted widget.
                std::unique_ptr<Widget>& slot = mPool[Pick(kPoolSize)];
                if (slot->mParent != nullptr) {
                    slot->mParent->RemoveWidget(slot.get());
                }
                const int depth = std::exchange(mDepth, kMaxPokeDepth);
                slot = MakeControl();
                mDepth = depth;
                break;
            }
            default:
                Change();
                break;
        }
    }

    // Empty when the tree is linked up and the manager names only widgets of it; else what is
    // wrong.
    std::string Check() {
        std::set<const Widget*> tree;
        std::string wrong = Linked(mManager, tree) ? "" : "unlinked ";
        for (const std::unique_ptr<Widget>& widget : mPool) {
            wrong += Detached(*widget, tree) ? "" : "attached outside ";
        }
        auto expect = [&](const Widget* named, const char* what) {
            if (named != nullptr && tree.count(named) == 0) {
                wrong += std::string(what) + " ";
            }
        };
        expect(mManager.mOverWidget, "over");
        expect(mManager.mFocusWidget, "focus");
        expect(mManager.mLastDownWidget, "capture");
        expect(mManager.mBaseModalWidget, "base modal");
        expect(mManager.mPopupCommandWidget, "popup");
        for (const Vesk::PreModalInfo& info : mManager.mPreModalInfoList) {
            expect(info.mPrevBaseModalWidget, "previous base modal");
            expect(info.mPrevFocusWidget, "previous focus");
        }
        for (const Vesk::DeferredOverlay& overlay : mManager.mDeferredOverlayWidgets) {
            expect(overlay.mWidget, "overlay");
        }
        return wrong;
    }

    void Poke() override {
        if (mDepth >= kMaxPokeDepth || Pick(2) != 0) {
            return;
        }
        ++mDepth;
        if (Pick(4) == 0) {
            const Vesk::Point at = Spot();
            mManager.MouseMove(at.mX, at.mY);
        } else {
            Change();
        }
        --mDepth;
    }

    void ButtonPress(int) override { Poke(); }
    void ButtonDepress(int) override { Poke(); }
    void CheckboxChecked(int, bool) override { Poke(); }
    void SliderVal(int, double) override { Poke(); }
    void ScrollPosition(int, double) override { Poke(); }
    void ListClicked(int, int, int) override { Poke(); }
    void ListClosed(int) override { Poke(); }
    void EditText(int, const std::string&) override { Poke(); }
    void DialogButtonDepress(int, int) override { Poke(); }

private:
    int Pick(int count) { return static_cast<int>(mRandom() % static_cast<unsigned>(count)); }

    // Collects the tree; false when a widget in it does not point at its parent and manager.
    bool Linked(const WidgetContainer& container, std::set<const Widget*>& tree) {
        bool linked = true;
        for (const Widget* child : container.mWidgets) {
            tree.insert(child);
            linked = Linked(*child, tree) && linked && child->mParent == &container &&
                     child->mWidgetManager == &mManager;
        }
        return linked;
    }

    // False when a widget outside the tree, or one below it, still points at a manager.
    static bool Detached(const Widget& widget, const std::set<const Widget*>& tree) {
        if (tree.count(&widget) != 0) {
            return true;
        }
        if (widget.mWidgetManager != nullptr) {
            return false;
        }
        for (const Widget* child : widget.mWidgets) {
            if (!Detached(*child, tree)) {
                return false;
            }
        }
        return true;
    }

    // A pool widget, or one of the widgets the manager names (controls' own parts included).
    Widget* AnyWidget() {
        Widget* const named[] = {mManager.mOverWidget, mManager.mFocusWidget,
                                 mManager.mLastDownWidget, mManager.mBaseModalWidget};
        Widget* widget = Pick(2) == 0 ? named[Pick(4)] : nullptr;
        return widget != nullptr ? widget : mPool[Pick(kPoolSize)].get();
    }

    // Crowded, so that widgets overlap and nest on screen.
    void Place(Widget* widget) {
        widget->Resize(Pick(400), Pick(300), 10 + Pick(250), 10 + Pick(200));
    }

    // Mostly a point on some widget, in the manager's coordinates.
    Vesk::Point Spot() {
        const Widget* widget = mPool[Pick(kPoolSize)].get();
        if (Pick(4) == 0 || widget->mWidth <= 0 || widget->mHeight <= 0) {
            return Vesk::Point{Pick(820) - 10, Pick(620) - 10};
        }
        const Vesk::Point abs = widget->GetAbsPos();
        return Vesk::Point{abs.mX + Pick(widget->mWidth), abs.mY + Pick(widget->mHeight)};
    }

    template <class Control, class... Args>
    std::unique_ptr<Widget> New(Args&&... args) {
        return std::make_unique<Poked<Control>>(this, std::forward<Args>(args)...);
    }

    std::unique_ptr<Widget> NewControl(int kind, int id) {
        switch (kind) {
            case 0:
                return New<Widget>();
            case 1:
                return New<Vesk::ButtonWidget>(id, this);
            case 2:
                return New<Vesk::Checkbox>(id, this);
            case 3:
                return New<Vesk::Slider>(id, this);
            case 4:
                return New<Vesk::ScrollbarWidget>(this);
            case 5:
                return New<Vesk::ScrollbuttonWidget>(id, this, id % 2);
            case 6:
                return New<Vesk::ListWidget>(id, &mFont, this);
            case 7:
                return New<Vesk::EditWidget>(id, this);
            case 8:
                return New<Vesk::Dialog>(nullptr, id, id % 2 == 0, "Head", "Lines", "Foot", id % 4);
            case 9:
                return New<Vesk::DialogButton>(nullptr, id, this);
            case 10:
                return New<Vesk::zmWidget>();
            case 11:
                return New<Vesk::zmDialog>(nullptr, id, "Head", "Lines", "Foot");
            case 12:
                return New<Vesk::zmListWidget>(id, this);
            case 13:
                return New<Vesk::zmScrollbarWidget>(this);
            default:
                return New<Vesk::zmScrollbuttonWidget>(id, this);
        }
    }

    // Any of the controls, at some place, with some content.
    std::unique_ptr<Widget> MakeControl() {
        std::unique_ptr<Widget> widget = NewControl(Pick(15), Pick(100));
        if (auto* dialog = dynamic_cast<Vesk::Dialog*>(widget.get())) {
            dialog->mDialogListener = this;
        } else if (auto* list = dynamic_cast<Vesk::ListWidget*>(widget.get())) {
            list->AddLine("one", false);
            list->AddLine("two", false);
        } else if (auto* edit = dynamic_cast<Vesk::EditWidget*>(widget.get())) {
            edit->SetText("some text");
        }
        Place(widget.get());
        return widget;
    }

    // A change to the tree, the focus, the capture or the modal stack.
    void Change() {
        Widget* widget = AnyWidget();
        WidgetContainer* parent = widget->mParent;
        switch (Pick(13)) {
            case 0:
                mManager.AddWidget(widget);
                break;
            case 1:
                mPool[Pick(kPoolSize)]->AddWidget(widget);
                break;
            case 2:
            case 3:
                if (parent != nullptr) {
                    parent->RemoveWidget(widget);
                }
                break;
            case 4:
                widget->SetVisible(!widget->mVisible);
                break;
            case 5:
                widget->SetDisabled(!widget->mDisabled);
                break;
            case 6:
                Place(widget);
                break;
            case 7:
                mManager.SetFocus(Pick(4) == 0 ? nullptr : widget);
                break;
            case 8:
                if (mManager.IsInTree(widget)) {
                    mManager.AddBaseModal(widget);
                }
                break;
            case 9:
                mManager.RemoveBaseModal(Pick(2) == 0 && !mManager.mPreModalInfoList.empty()
                                             ? mManager.mPreModalInfoList.back().mBaseModalWidget
                                             : widget);
                break;
            case 10:
                if (parent != nullptr) {
                    parent->BringToFront(widget);
                }
                break;
            case 11:
                if (mManager.IsInTree(widget)) {
                    mManager.mPopupCommandWidget = widget;
                }
                break;
            default:
                if (Pick(8) == 0) {
                    mManager.ReleaseMouseCapture();
                } else {
                    widget->RemoveAllWidgets();
                }
                break;
        }
    }

    // First: it goes after the widgets.
    Vesk::WidgetManager mManager{nullptr};
    std::mt19937 mRandom;
    Vesk::DDImage mScreen;
    ControlsHost mHost;
    FakeFont mFont;
    int mDepth = 0;
    std::vector<std::unique_ptr<Widget>> mPool;
};

TEST(WidgetTreeRandomTest, TheManagerNamesOnlyWidgetsOfItsTree) {
    std::vector<unsigned> seeds(std::begin(kSeeds), std::end(kSeeds));
    if (const char* seed = std::getenv("VESK_WIDGET_SEED")) {
        seeds = {static_cast<unsigned>(std::strtoul(seed, nullptr, 10))};
    }
    for (const unsigned seed : seeds) {
        // Printed first: a sanitizer stops the run without the test's own message.
        std::printf("seed %u\n", seed);
        std::fflush(stdout);
        Chaos chaos(seed);
        for (int step = 0; step < kStepsPerSeed; ++step) {
            chaos.Step();
            const std::string wrong = chaos.Check();
            if (!wrong.empty()) {
                ADD_FAILURE() << "seed " << seed << " step " << step << ": " << wrong;
                break;
            }
        }
    }
}

}  // namespace
}  // namespace widgettest
