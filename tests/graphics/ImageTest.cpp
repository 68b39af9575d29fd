#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "graphics/Image.h"
#include "graphics/ImageHost.h"
#include "graphics/SharedImage.h"

using namespace Vesk;

namespace {

// Records the fills the base class issues.
class RecordingImage : public Image {
public:
    void FillRect(const Rect& rect, const Color&, DrawMode drawMode) override {
        mFills.push_back(rect);
        mModes.push_back(drawMode);
    }
    std::vector<Rect> mFills;
    std::vector<DrawMode> mModes;
};

class CleanupHost : public ImageHost {
public:
    void SetCleanSharedImages() override { ++mCleanups; }
    int mCleanups = 0;
};

class CountedImage : public Image {
public:
    explicit CountedImage(int* deaths) : mDeaths(deaths) {}
    ~CountedImage() override { ++*mDeaths; }
    int* mDeaths;
};

struct HostScope {
    explicit HostScope(ImageHost* host) { SetImageHost(host); }
    ~HostScope() { SetImageHost(nullptr); }
};

}  // namespace

TEST(ImageTest, CelsAndAttributes) {
    Image image;
    EXPECT_EQ(image.mCelRows, 1);
    EXPECT_EQ(image.mCelColumns, 1);
    EXPECT_FALSE(image.mUsedAsSource);
    image.mWidth = 120;
    image.mHeight = 40;
    image.mCelRows = 2;
    image.mCelColumns = 3;
    EXPECT_EQ(image.GetCelRect(2, 1), Rect(80, 20, 40, 20));

    // Bad data: a cel count of 0 counts as 1 instead of dividing by zero.
    image.mCelColumns = 0;
    EXPECT_EQ(image.GetCelWidth(), 120);

    image.mCelColumns = 3;
    image.mAnimInfo = std::make_unique<AnimInfo>();
    image.mAnimInfo->mFrameMap = {0, 2, 1};
    image.mPath = "a.png";
    image.mUsedAsSource = true;

    Image copy(image);
    EXPECT_EQ(copy.mWidth, 120);
    EXPECT_EQ(copy.mCelColumns, 3);
    EXPECT_TRUE(copy.mPath.empty());
    EXPECT_FALSE(copy.mUsedAsSource);
    ASSERT_TRUE(copy.mAnimInfo);
    EXPECT_NE(copy.mAnimInfo.get(), image.mAnimInfo.get());
    EXPECT_EQ(copy.mAnimInfo->mFrameMap, image.mAnimInfo->mFrameMap);

    Image other;
    other.mAnimInfo = std::make_unique<AnimInfo>();
    const Image plain;
    other.CopyAttributes(&plain);
    EXPECT_FALSE(other.mAnimInfo);
    other.CopyAttributes(&image);
    EXPECT_EQ(other.mCelRows, 2);
    ASSERT_TRUE(other.mAnimInfo);
    EXPECT_EQ(other.mAnimInfo->mFrameMap.size(), 3u);
    other.CopyAttributes(&other);
    ASSERT_TRUE(other.mAnimInfo);
    EXPECT_EQ(other.mAnimInfo->mFrameMap.size(), 3u);
}

TEST(ImageTest, OutlineAndScanLinesGoThroughFillRect) {
    RecordingImage image;
    image.DrawRect(Rect(10, 10, 5, 3), Color::White, kDrawModeAdditive);
    ASSERT_EQ(image.mFills.size(), 4u);
    EXPECT_EQ(image.mFills[0], Rect(10, 10, 6, 1));
    EXPECT_EQ(image.mFills[1], Rect(10, 13, 6, 1));
    EXPECT_EQ(image.mFills[2], Rect(10, 11, 1, 2));
    EXPECT_EQ(image.mFills[3], Rect(15, 11, 1, 2));
    EXPECT_EQ(image.mModes[3], kDrawModeAdditive);

    image.mFills.clear();
    Span spans[2] = {{4, 1, 7}, {5, 2, 3}};
    image.FillScanLines(spans, 2, Color::Black, kDrawModeNormal);
    ASSERT_EQ(image.mFills.size(), 2u);
    EXPECT_EQ(image.mFills[0], Rect(1, 4, 7, 1));
    EXPECT_EQ(image.mFills[1], Rect(2, 5, 3, 1));
    image.FillScanLines(spans, 0, Color::Black, kDrawModeNormal);
    image.FillScanLines(spans, -3, Color::Black, kDrawModeNormal);
    EXPECT_EQ(image.mFills.size(), 2u);
    EXPECT_FALSE(image.PolyFill(nullptr, 0, nullptr, Color::Black, 0, 0, 0, false));
}

TEST(AnimInfoTest, Compute) {
    AnimInfo pingPong;
    pingPong.mAnimType = AnimPingPong;
    pingPong.Compute(1, 0, 0);
    EXPECT_EQ(pingPong.mFrameCount, 1);
    EXPECT_TRUE(pingPong.mFrameMap.empty());

    AnimInfo four;
    four.mAnimType = AnimPingPong;
    four.mFrameDelay = 5;
    four.Compute(4, 0, 0);
    EXPECT_EQ(four.mFrameMap, (std::vector<int32_t>{0, 1, 2, 3, 2, 1}));
    EXPECT_EQ(four.mFrameCount, 6);
    EXPECT_EQ(four.mTotalTime, 30);

    AnimInfo loop;
    loop.mAnimType = AnimLoop;
    loop.mFrameDelay = 10;
    loop.Compute(3, 20, 0);
    EXPECT_EQ(loop.mPerFrameDelay, (std::vector<int32_t>{20, 10, 10}));
    EXPECT_EQ(loop.mTotalTime, 40);

    AnimInfo ends;
    ends.mFrameDelay = 0;  // raised to 1
    ends.mPerFrameDelay = {0, 7, -2, 9, 9, 9};
    ends.Compute(4, 0, 30);
    EXPECT_EQ(ends.mFrameDelay, 1);
    EXPECT_EQ(ends.mPerFrameDelay, (std::vector<int32_t>{1, 7, 1, 30}));
    EXPECT_EQ(ends.mTotalTime, 39);

    AnimInfo mapped;
    mapped.mFrameMap = {3, 3, 1};
    mapped.Compute(0, 0, 0);
    EXPECT_EQ(mapped.mFrameCount, 3);
    EXPECT_EQ(mapped.mTotalTime, 3);

    AnimInfo delays;
    delays.SetPerFrameDelay(2, 5);
    EXPECT_EQ(delays.mPerFrameDelay, (std::vector<int32_t>{0, 0, 5}));
    delays.SetPerFrameDelay(-1, 5);
    EXPECT_EQ(delays.mPerFrameDelay.size(), 3u);
}

TEST(SharedImageRefTest, CountsAndCleanupFlag) {
    CleanupHost host;
    HostScope scope(&host);
    SharedImage slot;
    int deaths = 0;
    CountedImage image(&deaths);
    slot.mImage = &image;
    {
        SharedImageRef a;
        EXPECT_EQ(a.GetImage(), nullptr);
        a.AssignShared(&slot);
        EXPECT_EQ(slot.mRefCount, 1);
        EXPECT_EQ(a.GetImage(), &image);
        EXPECT_EQ(static_cast<Image*>(a), &image);
        SharedImageRef b(a);
        EXPECT_EQ(slot.mRefCount, 2);
        SharedImageRef c;
        c = b;
        EXPECT_EQ(slot.mRefCount, 3);
        SharedImageRef& alias =
            c;  // through a reference, so compilers don't flag the self-assignment
        c = alias;
        EXPECT_EQ(slot.mRefCount, 3);
        a.AssignShared(&slot);  // re-assigning the same slot never touches 0
        EXPECT_EQ(slot.mRefCount, 3);
        EXPECT_EQ(host.mCleanups, 0);
    }
    EXPECT_EQ(slot.mRefCount, 0);
    EXPECT_EQ(host.mCleanups, 1);
    EXPECT_EQ(deaths, 0);

    SharedImageRef empty;
    empty.Release();
    EXPECT_EQ(host.mCleanups, 1);
}

TEST(SharedImageRefTest, UnsharedOwnership) {
    int deaths = 0;
    {
        SharedImageRef owner;
        owner.mOwnsUnshared = true;
        owner.AssignUnshared(new CountedImage(&deaths));
        {
            SharedImageRef copy(owner);
            EXPECT_FALSE(copy.mOwnsUnshared);
            EXPECT_EQ(copy.GetImage(), owner.GetImage());
            SharedImageRef assigned;
            assigned = owner;
            EXPECT_EQ(assigned.GetImage(), owner.GetImage());
            EXPECT_FALSE(assigned.mOwnsUnshared);
        }
        EXPECT_EQ(deaths, 0);
        owner.AssignUnshared(owner.mUnsharedImage);  // same image: kept alive
        EXPECT_EQ(deaths, 0);
        auto& ownerAlias = owner;
        owner = ownerAlias;
        EXPECT_EQ(deaths, 0);
    }
    EXPECT_EQ(deaths, 1);
}

TEST(SharedImageRefTest, CountIsThreadSafe) {
    CleanupHost host;
    HostScope scope(&host);
    SharedImage slot;
    SharedImageRef root;
    root.AssignShared(&slot);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&root] {
            for (int i = 0; i < 20000; ++i) {
                SharedImageRef copy(root);
                SharedImageRef other;
                other = copy;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(slot.mRefCount, 1);
    EXPECT_EQ(host.mCleanups, 0);
}
