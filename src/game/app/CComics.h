#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "game/app/CScreen.h"

namespace Vesk {

class Image;

// One full-screen comic page, a chapter of the story, before levels 1, 26, 51 and 76 and after
// the last level. The page is read when the screen is shown and freed when it leaves, so one
// page at most is in memory. Made on the loading thread, used on the main thread only.
class CComics : public CScreen {
public:
    static constexpr int16_t kPageLimit = 5;
    // After the last level the board stands at this level.
    static constexpr int32_t kEndLevel = 101;

    CComics();

    // 1 to 5 for levels 1, 26, 51, 76 and 101; 0 for every other level.
    static int16_t ChapterForLevel(int32_t level);
    // "data/images/comics/page-<chapter>.jpg".
    static std::string PagePath(int32_t chapter);
    // The chapter of the board's level; 0 without a board.
    int16_t GetChapterForLevel() const;
    bool HasChapter() const;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void GotFocus() override;
    void KeyDown(int key) override;

    void ButtonDepress(int id) override;

    const Image* GetPage() const { return mPage.get(); }

    int16_t mChapter = 0;
    bool mChaptersOn = true;

private:
    void Finish();

    std::unique_ptr<Image> mPage;
};

}  // namespace Vesk
