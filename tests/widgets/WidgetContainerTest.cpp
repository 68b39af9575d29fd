#include "widgets/WidgetContainer.h"

#include <utility>

#include "WidgetTestSupport.h"

namespace widgettest {
namespace {

using Vesk::Widget;

class ContainerTest : public WidgetTest {
protected:
    std::string Order(const Vesk::WidgetContainer& container) {
        std::string names;
        for (Widget* w : container.mWidgets) {
            names += static_cast<RecordingWidget*>(w)->mName;
        }
        return names;
    }
};

TEST_F(ContainerTest, ChildrenStaySortedByZOrderThroughAddsAndReorders) {
    struct Case {
        const char* what;
        std::function<void(Vesk::WidgetManager&, RecordingWidget* const*)> op;
        const char* order;
    };
    // a, b, c at z 0 and d at z 1, added in that order.
    const Case cases[] = {
        {"added", [](auto&, auto) {}, "abcd"},
        {"front among equals", [](auto& m, auto w) { m.BringToFront(w[0]); }, "bcad"},
        {"back among equals", [](auto& m, auto w) { m.BringToBack(w[2]); }, "cabd"},
        {"back keeps z", [](auto& m, auto w) { m.BringToBack(w[3]); }, "abcd"},
        {"behind", [](auto& m, auto w) { m.PutBehind(w[2], w[0]); }, "cabd"},
        {"in front", [](auto& m, auto w) { m.PutInFront(w[0], w[1]); }, "bacd"},
        {"in front of last", [](auto& m, auto w) { m.PutInFront(w[0], w[2]); }, "bcad"},
        {"missing reference", [](auto& m, auto w) { m.PutBehind(w[0], nullptr); }, "bcad"},
    };
    for (const Case& c : cases) {
        Vesk::WidgetManager manager(nullptr);
        Log log;
        RecordingWidget a("a", &log, 0, 0, 1, 1), b("b", &log, 0, 0, 1, 1),
            c2("c", &log, 0, 0, 1, 1), d("d", &log, 0, 0, 1, 1);
        d.mZOrder = 1;
        RecordingWidget* const all[] = {&a, &b, &c2, &d};
        for (RecordingWidget* w : {&a, &d, &b, &c2}) {
            manager.AddWidget(w);
        }
        c.op(manager, all);
        EXPECT_EQ(Order(manager), c.order) << c.what;
    }
}

TEST_F(ContainerTest, HitTestsTopMostFirstAndLetsRefusalsThrough) {
    RecordingWidget* back = Make("back", 0, 0, 200, 200);
    RecordingWidget* front = Make("front", 50, 50, 100, 100);
    RecordingWidget* child = Make("child", 10, 10, 20, 20, front);
    // A child outside its parent's rectangle is still hit.
    RecordingWidget* outside = Make("outside", 120, 0, 20, 20, front);
    int x = -1;
    int y = -1;
    EXPECT_EQ(mManager.GetWidgetAt(65, 65, &x, &y), child);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 5);
    EXPECT_EQ(mManager.GetWidgetAt(100, 100, &x, &y), front);
    EXPECT_EQ(mManager.GetWidgetAt(175, 55, nullptr, nullptr), outside);

    child->mPointVisible = false;
    front->mPointVisible = false;
    EXPECT_EQ(mManager.GetWidgetAt(65, 65, &x, &y), back);
    EXPECT_EQ(x, 65);

    back->mDisabled = true;
    EXPECT_EQ(mManager.GetWidgetAt(65, 65, nullptr, nullptr), nullptr);
    EXPECT_EQ(mManager.GetAnyWidgetAt(65, 65, nullptr, nullptr), back);

    // Insets shrink the hit rectangle; clearing the mouse flag hides a whole subtree.
    back->mDisabled = false;
    back->mMouseInsets.mLeft = 10;
    EXPECT_EQ(mManager.GetWidgetAt(5, 5, nullptr, nullptr), nullptr);
    front->mPointVisible = true;
    front->mWidgetFlagsMod.mRemoveFlags = Vesk::WidgetFlags::kAllowMouse;
    EXPECT_EQ(mManager.GetWidgetAt(100, 100, nullptr, nullptr), back);
}

TEST_F(ContainerTest, DirtySpreadsOverOverlapsAndStopsBelowAnOpaqueCover) {
    RecordingWidget* floor = Make("floor", 0, 0, 800, 600);
    RecordingWidget* cover = Make("cover", 0, 0, 400, 400);
    RecordingWidget* target = Make("target", 100, 100, 50, 50);
    Make("above", 140, 140, 50, 50);
    RecordingWidget* apart = Make("apart", 600, 0, 50, 50);
    auto clean = [&] {
        for (Widget* w : mManager.mWidgets) {
            w->mDirty = false;
        }
    };
    auto dirty = [&] {
        std::string names;
        for (Widget* w : mManager.mWidgets) {
            names += w->mDirty ? static_cast<RecordingWidget*>(w)->mName + " " : "";
        }
        return names;
    };

    clean();
    target->MarkDirty();
    EXPECT_EQ(dirty(), "target above ");

    // Moving repaints below too, but nothing under the opaque cover.
    clean();
    target->Move(110, 110);
    EXPECT_EQ(dirty(), "cover target above ");

    clean();
    cover->mHasTransparencies = true;
    target->Move(120, 120);
    // The floor repaints, and so does everything above it.
    EXPECT_EQ(dirty(), "floor cover target above apart ");
    (void)apart;

    // A nested child marks its top-level ancestor.
    clean();
    RecordingWidget* inner = Make("inner", 0, 0, 5, 5, apart);
    clean();
    inner->mDirty = false;
    inner->MarkDirty();
    EXPECT_TRUE(inner->mDirty);
    EXPECT_EQ(dirty(), "apart ");
    (void)floor;
}

TEST_F(ContainerTest, UpdateWalkSurvivesRemovalAndReorderFromACallback) {
    RecordingWidget* a = Make("a", 0, 0, 1, 1);
    RecordingWidget* b = Make("b", 0, 0, 1, 1);
    RecordingWidget* c = Make("c", 0, 0, 1, 1);
    RecordingWidget* d = Make("d", 0, 0, 1, 1);
    // b removes itself and deletes c; d moves to the front and is met again.
    b->mOnUpdate = [&] {
        mManager.RemoveWidget(b);
        mWidgets[2].reset();
    };
    a->mOnUpdate = [&] { mManager.BringToFront(a); };
    mManager.UpdateFrame();
    EXPECT_EQ(mLog, (Log{"a Update", "b Update", "d Update"}));
    EXPECT_EQ(Order(mManager), "da");
    (void)c;
    (void)d;

    // Removing the walked widget while the tree draws: no freed widget is touched.
    mLog.clear();
    mManager.MarkAllDirty();
    d->mOnDraw = [&](Vesk::Graphics*) { mWidgets[3].reset(); };
    EXPECT_TRUE(mManager.DrawScreen());
    EXPECT_EQ(mLog, (Log{"d Draw", "a Draw"}));
    EXPECT_EQ(Order(mManager), "a");
}

TEST_F(ContainerTest, IsBelowWalksDepthFirst) {
    RecordingWidget* a = Make("a", 0, 0, 1, 1);
    RecordingWidget* a1 = Make("a1", 0, 0, 1, 1, a);
    RecordingWidget* b = Make("b", 0, 0, 1, 1);
    RecordingWidget stranger("s", &mLog, 0, 0, 1, 1);
    EXPECT_TRUE(mManager.IsBelow(a, a1));
    EXPECT_TRUE(mManager.IsBelow(a1, b));
    EXPECT_FALSE(mManager.IsBelow(b, a1));
    EXPECT_FALSE(mManager.IsBelow(&stranger, nullptr));
}

TEST_F(ContainerTest, DeletingAnAttachedParentDetachesItsChildren) {
    RecordingWidget* parent = Make("p", 0, 0, 10, 10);
    RecordingWidget* child = Make("c", 0, 0, 5, 5, parent);
    mManager.SetFocus(child);
    mWidgets[0].reset();
    EXPECT_TRUE(mManager.mWidgets.empty());
    EXPECT_EQ(child->mParent, nullptr);
    EXPECT_EQ(child->mWidgetManager, nullptr);
    EXPECT_EQ(mManager.mFocusWidget, nullptr);
    // Adding an ancestor under its descendant would loop every walk.
    RecordingWidget* top = Make("t", 0, 0, 5, 5);
    top->AddWidget(child);
    child->AddWidget(top);
    EXPECT_EQ(child->mWidgets.size(), 0u);
}

TEST_F(ContainerTest, CallbacksThatMoveWidgetsMidRemovalKeepTheLinksWhole) {
    // Moved on its way from one parent to another: it stays where the callback put it, in one
    // list only.
    RecordingWidget* from = Make("from", 0, 0, 50, 50);
    RecordingWidget* to = Make("to", 100, 0, 50, 50);
    RecordingWidget* elsewhere = Make("elsewhere", 200, 0, 50, 50);
    RecordingWidget* moved = Make("moved", 0, 0, 10, 10, from);
    mManager.SetFocus(moved);
    moved->mOnLostFocus = [&] { elsewhere->AddWidget(moved); };
    to->AddWidget(moved);
    EXPECT_FALSE(to->HasWidget(moved));
    EXPECT_TRUE(elsewhere->HasWidget(moved));
    EXPECT_EQ(moved->mParent, elsewhere);
    EXPECT_EQ(moved->mWidgetManager, &mManager);

    // A screen that acts when it is told it joins, or for the n-th time that it leaves.
    struct Screen : RecordingWidget {
        using RecordingWidget::RecordingWidget;
        void AddedToManager(Vesk::WidgetManager* manager) override {
            RecordingWidget::AddedToManager(manager);
            if (mOnAdded) {
                std::exchange(mOnAdded, nullptr)();
            }
        }
        void RemovedFromManager(Vesk::WidgetManager* manager) override {
            RecordingWidget::RemovedFromManager(manager);
            if (++mRemovals == mActOnRemoval) {
                mOnRemoved();
            }
        }
        std::function<void()> mOnAdded;
        std::function<void()> mOnRemoved;
        int mRemovals = 0;
        int mActOnRemoval = 0;
    };
    RecordingWidget holder("holder", &mLog, 0, 0, 100, 100);
    RecordingWidget other("other", &mLog, 0, 0, 10, 10);
    auto reset = [&](Screen& screen) {
        holder.RemoveAllWidgets();
        holder.AddWidget(&screen);
        holder.AddWidget(&other);
    };

    // A child added after the children were told goes with its parent.
    Screen leaving("leaving", &mLog, 0, 0, 10, 10);
    leaving.mActOnRemoval = 1;
    leaving.mOnRemoved = [&] { leaving.AddWidget(&other); };
    mManager.AddWidget(&leaving);
    mManager.RemoveWidget(&leaving);
    EXPECT_EQ(other.mWidgetManager, nullptr);

    // Taken out again while its children join: the later children stay out too.
    Screen joining("joining", &mLog, 0, 0, 10, 10);
    reset(joining);
    joining.mOnAdded = [&] { mManager.RemoveWidget(&holder); };
    mManager.AddWidget(&holder);
    EXPECT_FALSE(mManager.HasWidget(&holder));
    EXPECT_EQ(other.mWidgetManager, nullptr);

    // Put back while its parent tells its children: they stay attached.
    Screen back("back", &mLog, 0, 0, 10, 10);
    reset(back);
    back.mActOnRemoval = 2;
    back.mOnRemoved = [&] {
        mManager.RemoveWidget(&holder);
        mManager.AddWidget(&holder);
    };
    mManager.AddWidget(&holder);
    mManager.RemoveWidget(&holder);
    EXPECT_TRUE(mManager.HasWidget(&holder));
    EXPECT_EQ(back.mWidgetManager, &mManager);
    EXPECT_EQ(other.mWidgetManager, &mManager);

    // Put straight back by its own removal while its parent empties: it goes all the same.
    holder.RemoveAllWidgets();
    holder.AddWidget(&other);
    mManager.SetFocus(&other);
    other.mOnLostFocus = [&] {
        holder.RemoveWidget(&other);
        holder.AddWidget(&other);
    };
    holder.RemoveAllWidgets();
    EXPECT_TRUE(holder.mWidgets.empty());
    EXPECT_EQ(other.mWidgetManager, nullptr);
}

}  // namespace
}  // namespace widgettest
