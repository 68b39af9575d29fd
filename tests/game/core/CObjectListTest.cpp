#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeBoard.h"
#include "game/core/CObject.h"
#include "game/core/CObjectList.h"

namespace {

// Records every slot call into a shared log as "name:slot".
class Probe : public CObject {
public:
    Probe(std::vector<std::string>& log, std::string name, int32_t atLayer, bool input = true)
        : mLog(log), mName(std::move(name)) {
        layer = atLayer;
        takesInput = input;
    }
    ~Probe() override { mLog.push_back(mName + ":deleted"); }
    int Update(Vesk::ObjectOwner& owner) override {
        CObject::Update(owner);
        mLog.push_back(mName + ":update");
        if (mOnUpdate) {
            mOnUpdate();
        }
        return 1;
    }
    int MouseMove(Vesk::ObjectOwner&, int32_t, int32_t) override {
        mLog.push_back(mName + ":move");
        return mTakes ? 1 : 0;
    }
    int MouseDown(Vesk::ObjectOwner&, int32_t, int32_t) override {
        mLog.push_back(mName + ":down");
        return 1;
    }
    void MouseLeave(Vesk::ObjectOwner&) override { mLog.push_back(mName + ":leave"); }

    std::vector<std::string>& mLog;
    std::string mName;
    bool mTakes = false;
    std::function<void()> mOnUpdate;
};

class CObjectListTest : public ::testing::Test {
protected:
    Probe* Make(std::string name, int32_t layer, bool input = true) {
        auto* probe = new Probe(mLog, std::move(name), layer, input);
        mBoard.mObjects.Add(probe);
        return probe;
    }
    std::string Order() {
        std::string names;
        for (int32_t i = 0; i < mBoard.mObjects.GetCount(); ++i) {
            names += static_cast<Probe*>(mBoard.mObjects.GetAt(i))->mName;
        }
        return names;
    }

    std::vector<std::string> mLog;
    fake::Board mBoard;
};

TEST_F(CObjectListTest, KeepsLayerOrderWithANewcomerInFrontOfItsLayer) {
    Make("a", 3);
    Make("b", 0);
    Make("c", 3);
    Probe* d = Make("d", 12);
    auto* last = new Probe(mLog, "e", 1);
    mBoard.mObjects.AddLast(last);
    EXPECT_EQ(Order(), "bcade");
    EXPECT_EQ(mBoard.mObjects.IndexOf(d), 3);
    EXPECT_EQ(mBoard.mObjects.GetAt(5), nullptr);

    EXPECT_FALSE(mBoard.mObjects.SetLayer(d, 12));
    EXPECT_TRUE(mBoard.mObjects.SetLayer(d, 3));
    EXPECT_EQ(Order(), "bdcae");
}

TEST_F(CObjectListTest, RemovalFlagDeletesAtTheNextPassNotAtOnce) {
    Probe* a = Make("a", 1);
    Make("b", 2);
    a->mOnUpdate = [a] { a->removeMe = true; };
    mBoard.mObjects.UpdateAll();
    EXPECT_EQ(mBoard.mObjects.GetCount(), 2);
    mLog.clear();
    mBoard.mObjects.UpdateAll();
    EXPECT_EQ(mLog, (std::vector<std::string>{"a:deleted", "b:update"}));
    EXPECT_EQ(Order(), "b");
}

TEST_F(CObjectListTest, AnObjectMayDeleteTheNextOneDuringAPass) {
    Probe* a = Make("a", 1);
    Probe* b = Make("b", 2);
    Make("c", 3);
    CObjectList& list = mBoard.mObjects;
    a->mOnUpdate = [&list, b] {
        list.Remove(b);
        delete b;
    };
    list.UpdateAll();
    EXPECT_EQ(mLog, (std::vector<std::string>{"a:update", "b:deleted", "c:update"}));
    EXPECT_EQ(Order(), "ac");
}

TEST_F(CObjectListTest, ObjectsMovedDuringAPassUpdateOnceAndDeleteAllWaitsForThePassEnd) {
    Probe* a = Make("a", 1);
    Make("b", 2);
    CObjectList& list = mBoard.mObjects;
    a->mOnUpdate = [&list, a] { list.SetLayer(a, 5); };
    list.UpdateAll();
    EXPECT_EQ(mLog, (std::vector<std::string>{"a:update", "b:update"}));
    EXPECT_EQ(Order(), "ba");

    mLog.clear();
    a->mOnUpdate = [&list] { list.RequestDeleteAll(); };
    list.UpdateAll();
    EXPECT_EQ(mLog, (std::vector<std::string>{"b:update", "a:update", "b:deleted", "a:deleted"}));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(CObjectListTest, HoverWalkAndItsLeaveRules) {
    Probe* low = Make("low", 1);
    Probe* high = Make("high", 5);
    Make("deaf", 0, false);
    CObjectList& list = mBoard.mObjects;

    high->mTakes = true;
    EXPECT_EQ(list.MouseMove(10, 10), 1);
    EXPECT_EQ(list.GetHovered(), high);
    EXPECT_EQ(mLog, (std::vector<std::string>{"low:move", "high:move"}));

    // A lower object taking the event first leaves the previous one.
    mLog.clear();
    low->mTakes = true;
    EXPECT_EQ(list.MouseMove(10, 10), 1);
    EXPECT_EQ(mLog, (std::vector<std::string>{"low:move", "high:leave"}));

    // The hovered object refusing hears a leave and the walk goes on.
    mLog.clear();
    low->mTakes = false;
    EXPECT_EQ(list.MouseMove(10, 10), 1);
    EXPECT_EQ(mLog, (std::vector<std::string>{"low:move", "low:leave", "high:move"}));
    EXPECT_EQ(list.MouseDown(1, 1), 1);
    EXPECT_EQ(mLog.back(), "high:down");

    // Hovered but no longer offered the event: cleared without a leave.
    mLog.clear();
    high->takesInput = false;
    EXPECT_EQ(list.MouseMove(10, 10), 0);
    EXPECT_EQ(list.GetHovered(), nullptr);
    EXPECT_EQ(mLog, (std::vector<std::string>{"low:move"}));
    EXPECT_EQ(list.MouseDown(1, 1), 0);
}

}  // namespace
