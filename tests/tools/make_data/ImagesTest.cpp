#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "../ResourceIdList.h"
#include "make_data/DataSet.h"
#include "make_data/images/ImageRecipe.h"
#include "resources/ImageLib.h"

namespace {

// The images and animated images of the game's id list: the tool must make each in its group.
std::vector<ListedId> ListedImages() {
    return ReadResourceIdList(VESK_RESOURCE_ID_LIST, {"image", "imageex"});
}

// Cel layouts the game's code counts on (its frame numbers and the bubble's size), beyond what
// the recipes say.
constexpr struct {
    const char* id;
    int celWidth;
    int celHeight;
    int rows;
    int cols;
} kLayouts[] = {
    {"IMAGE_CELL", 43, 43, 1, 1},
    {"IMAGE_BLOCK1", 43, 43, 1, 20},
    {"IMAGE_BLOCK8", 43, 43, 1, 20},
    // The bubble's full size is the image height - 20, so one row of 200-high cels.
    {"IMAGE_BUBBLE_FLARE", 200, 200, 1, 72},
    {"IMAGE_LUCHEG", 130, 180, 1, 3},
    {"IMAGE_MM_SPARK1", 48, 48, 1, 8},
    {"IMAGE_PROGRESSBAR_FLOWERS_ANIM", 390, 28, 227, 1},
    {"IMAGE_SLOMO_CLOCK", 150, 170, 1, 10},
    {"IMAGE_HELP_ARROW", 24, 32, 1, 6},
};

std::string Attribute(const std::string& element, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const size_t at = element.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = at + key.size();
    return element.substr(start, element.find('"', start) - start);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class MakeImagesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const auto start = std::chrono::steady_clock::now();
        sPart = new make_data::DataPart(make_data::MakeImages());
        sSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("MakeImages: %zu files in %.2f s\n", sPart->files.size(), sSeconds);
    }
    static void TearDownTestSuite() {
        delete sPart;
        sPart = nullptr;
    }
    static const make_data::DataFile* File(const std::string& path) {
        for (const auto& f : sPart->files) {
            if (f.path == path) {
                return &f;
            }
        }
        return nullptr;
    }

    static inline make_data::DataPart* sPart = nullptr;
    static inline double sSeconds = 0;
};

TEST_F(MakeImagesTest, EveryListedImageExistsWithItsGroupSizeAndCels) {
    std::map<std::string, const make_data::ManifestEntry*> byId;
    for (const auto& entry : sPart->entries) {
        const std::string id = Attribute(entry.element, "id");
        EXPECT_TRUE(byId.emplace(id, &entry).second) << "defined twice: " << id;
    }
    std::map<std::string, make_data::images::ImageRecipe> recipes;
    for (auto& recipe : make_data::images::AllRecipes()) {
        recipes.emplace(recipe.id, std::move(recipe));
    }
    const std::vector<ListedId> listed = ListedImages();
    ASSERT_FALSE(listed.empty()) << VESK_RESOURCE_ID_LIST;
    EXPECT_EQ(byId.size(), listed.size()) << "extra or missing manifest entries";
    for (const ListedId& e : listed) {
        SCOPED_TRACE(e.name);
        const auto it = byId.find(e.name);
        ASSERT_NE(it, byId.end()) << "missing: " << e.name;
        const auto& recipe = recipes.at(e.name);
        const std::string& element = it->second->element;
        const bool animated = e.kind == "imageex";
        EXPECT_EQ(it->second->group, e.group);
        EXPECT_EQ(element.rfind(animated ? "<ImageEx " : "<Image ", 0), 0u) << element;
        EXPECT_TRUE(element.ends_with(animated ? "</ImageEx>" : "/>")) << element;
        const std::string rows = Attribute(element, "rows");
        const std::string cols = Attribute(element, "cols");
        EXPECT_EQ(rows.empty() ? 1 : std::stoi(rows), recipe.rows);
        EXPECT_EQ(cols.empty() ? 1 : std::stoi(cols), recipe.cols);
        if (animated) {
            EXPECT_GE(Count(element, "<Seq "), 1);
        }
        const make_data::DataFile* file = File(Attribute(element, "path") + ".png");
        ASSERT_NE(file, nullptr) << "no file";
        std::string error;
        const auto image = ImageLib::DecodePNG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << error;
        EXPECT_EQ(image->mWidth, recipe.Width());
        EXPECT_EQ(image->mHeight, recipe.Height());
    }
    for (const auto& want : kLayouts) {
        const auto& recipe = recipes.at(want.id);
        EXPECT_TRUE(recipe.celWidth == want.celWidth && recipe.celHeight == want.celHeight &&
                    recipe.rows == want.rows && recipe.cols == want.cols)
            << want.id << " has " << recipe.rows << "x" << recipe.cols << " cels of "
            << recipe.celWidth << "x" << recipe.celHeight;
    }
}

TEST_F(MakeImagesTest, AnimationsHaveTheSequencesTheGameReads) {
    std::map<std::string, std::string> elements;
    for (const auto& entry : sPart->entries) {
        elements[Attribute(entry.element, "id")] = entry.element;
    }
    // Every frame of every sequence names a cel the picture has.
    for (const auto& [id, element] : elements) {
        const std::string rows = Attribute(element, "rows");
        const std::string cols = Attribute(element, "cols");
        const int cels =
            (rows.empty() ? 1 : std::stoi(rows)) * (cols.empty() ? 1 : std::stoi(cols));
        for (size_t at = element.find("framemap=\""); at != std::string::npos;
             at = element.find("framemap=\"", at + 1)) {
            const size_t start = at + 10;
            std::string list = element.substr(start, element.find('"', start) - start);
            for (size_t p = 0; p < list.size();) {
                const size_t comma = list.find(',', p);
                const int cel = std::stoi(list.substr(p, comma - p));
                EXPECT_TRUE(cel >= 0 && cel < cels) << id << " frame " << cel;
                p = comma == std::string::npos ? list.size() : comma + 1;
            }
        }
    }
    // Blocks: rest, flight, dying, selected. The bubble plays to frame 71, the fill to 226.
    EXPECT_EQ(Count(elements["IMAGE_BLOCK1"], "<Seq "), 4);
    EXPECT_EQ(Count(elements["IMAGE_BLOCK8"], "<Seq "), 4);
    EXPECT_EQ(elements["IMAGE_BLOCK3"].find("particle="), std::string::npos);
    EXPECT_NE(elements["IMAGE_HELP_ARROW"].find("anim=\"loop\""), std::string::npos);
    EXPECT_EQ(Count(elements["IMAGE_SLOMO_CLOCK"], "<Seq "), 1);
}

TEST_F(MakeImagesTest, PicturesAreClearOrOpaqueWhereTheScreensNeedIt) {
    // Backgrounds cover the screen; the menu picture lets the sky through at the top; the
    // credits frame and the tinted logos are clear away from their art.
    const struct {
        const char* path;
        int x;
        int y;
        bool opaque;
    } points[] = {
        {"images/game/background_flower1.png", 0, 0, true},
        {"images/game/background_water5.png", 799, 599, true},
        {"images/game/landmap.png", 400, 300, true},
        {"images/credits/credits_background.png", 400, 300, true},
        {"images/interface/help.png", 400, 590, true},
        {"images/game/mm_background.png", 600, 20, false},
        {"images/game/mm_background.png", 400, 590, true},
        {"images/credits/credits_foreground.png", 400, 300, false},
        {"images/titlescreen/zm_logo.png", 5, 5, false},
        {"images/titlescreen/game_logo.png", 5, 595, false},
        {"images/game/cell.png", 21, 21, false},
    };
    for (const auto& point : points) {
        const make_data::DataFile* file = File(point.path);
        ASSERT_NE(file, nullptr) << point.path;
        std::string error;
        const auto image = ImageLib::DecodePNG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << point.path << ": " << error;
        const uint32_t alpha = image->GetBits()[point.y * image->mWidth + point.x] >> 24;
        if (point.opaque) {
            EXPECT_EQ(alpha, 255u) << point.path << " at " << point.x << "," << point.y;
        } else {
            EXPECT_LT(alpha, 128u) << point.path << " at " << point.x << "," << point.y;
        }
    }
}

TEST_F(MakeImagesTest, ComicPagesAreFullScreenJpegs) {
    for (int i = 1; i <= 5; ++i) {
        const std::string path = "data/images/comics/page-" + std::to_string(i) + ".jpg";
        const make_data::DataFile* file = File(path);
        ASSERT_NE(file, nullptr) << path;
        std::string error;
        const auto image = ImageLib::DecodeJPEG(file->bytes, error);
        ASSERT_TRUE(image.has_value()) << path << ": " << error;
        EXPECT_EQ(image->mWidth, 800);
        EXPECT_EQ(image->mHeight, 600);
    }
}

TEST_F(MakeImagesTest, SameBytesOnEveryRunAndQuick) {
    EXPECT_LT(sSeconds, 20.0);
    const make_data::DataPart again = make_data::MakeImages();
    ASSERT_EQ(again.files.size(), sPart->files.size());
    for (size_t i = 0; i < again.files.size(); ++i) {
        EXPECT_EQ(again.files[i].path, sPart->files[i].path);
        EXPECT_TRUE(again.files[i].bytes == sPart->files[i].bytes) << again.files[i].path;
    }
    ASSERT_EQ(again.entries.size(), sPart->entries.size());
    for (size_t i = 0; i < again.entries.size(); ++i) {
        EXPECT_EQ(again.entries[i].element, sPart->entries[i].element);
    }
}

TEST_F(MakeImagesTest, ContactSheetIsOnePictureOfEveryImage) {
    const std::vector<uint8_t> sheet = make_data::MakeContactSheet(*sPart);
    std::string error;
    const auto image = ImageLib::DecodePNG(sheet, error);
    ASSERT_TRUE(image.has_value()) << error;
    // Eight tiles a row, one tile per file.
    EXPECT_EQ(image->mWidth, 1600);
    EXPECT_EQ(image->mHeight, static_cast<int>((sPart->files.size() + 7) / 8) * 168);
    if (const char* out = std::getenv("VESK_CONTACT_SHEET")) {
        FILE* f = std::fopen(out, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(sheet.data(), 1, sheet.size(), f);
        std::fclose(f);
    }
}

}  // namespace
