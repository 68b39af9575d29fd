// Developer pictures: screenshots of the draw surface and the report of every image in memory.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/ImageCost.h"
#include "app/VeskAppBase.h"
#include "graphics/DDImage.h"
#include "graphics/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "resources/ImageLib.h"
#include "util/Common.h"

namespace Vesk {

namespace {

constexpr int32_t kThumbnailSide = 64;
// A dump folder that cannot be made again is given up after this many tries, 100 ms apart.
constexpr int kDumpFolderAttempts = 50;
constexpr uint32_t kDumpFolderPauseMs = 100;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

// The number of "image<n>.png"; 0 for any other name. More than nine digits are not ours.
int ScreenshotNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "image";
    constexpr std::string_view kSuffix = ".png";
    if (name.size() <= kPrefix.size() + kSuffix.size() ||
        !EqualsNoCase(name.substr(0, kPrefix.size()), kPrefix) ||
        !EqualsNoCase(name.substr(name.size() - kSuffix.size()), kSuffix)) {
        return 0;
    }
    const std::string_view digits =
        name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (digits.size() > 9) {
        return 0;
    }
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

// The thumbnail's pixel (x, y) is the source pixel at the middle of its share of the source.
ImageLib::Image MakeThumbnail(const uint32_t* bits, int32_t width, int32_t height) {
    ImageLib::Image thumbnail(kThumbnailSide, kThumbnailSide);
    std::vector<int32_t> columns(kThumbnailSide);
    for (int32_t x = 0; x < kThumbnailSide; ++x) {
        columns[x] = static_cast<int32_t>((x + 0.5) * width) / kThumbnailSide;
    }
    uint32_t* out = thumbnail.GetBits();
    for (int32_t y = 0; y < kThumbnailSide; ++y) {
        const int32_t row = static_cast<int32_t>((y + 0.5) * height) / kThumbnailSide;
        const uint32_t* source = bits + static_cast<size_t>(row) * static_cast<size_t>(width);
        for (int32_t x = 0; x < kThumbnailSide; ++x) {
            *out++ = source[columns[x]];
        }
    }
    return thumbnail;
}

std::string Cell(const std::string& content) {
    return "<TD>" + content + "</TD>\n";
}

// A cell of a labelled byte count, or a blank one when there are none.
std::string BytesCell(const char* label, int64_t bytes) {
    return Cell(bytes != 0 ? label + ImageCost::Commas(bytes) : "&nbsp;");
}

std::string FlagCell(bool set, const char* name) {
    return Cell(set ? name : "&nbsp;");
}

// Writes the picture files of one image; a file that can't be written is skipped.
void WriteImageFiles(MemoryImage& image, const std::string& thumbPath,
                     const std::string& imagePath) {
    const int32_t width = image.GetWidth();
    const int32_t height = image.GetHeight();
    if (width <= 0 || height <= 0) {
        return;
    }
    // A copy is made 32-bit so that the image keeps the form it is in.
    MemoryImage copy(image);
    const uint32_t* bits = copy.GetBits();
    if (bits == nullptr) {
        return;
    }
    ImageLib::WriteJPEGImage(thumbPath, MakeThumbnail(bits, width, height));
    ImageLib::Image full(width, height);
    std::copy_n(bits, full.mBits.size(), full.GetBits());
    ImageLib::WritePNGImage(imagePath, full);
}

}  // namespace

void VeskAppBase::TakeScreenshot() {
    if (mDDInterface == nullptr || mDDInterface->mDrawSurface == nullptr) {
        return;
    }

    std::string folder = GetAppDataFolder() + "_screenshots";
    MakeDirectories(folder);
    folder += "/";

    int highest = 0;
    for (const platform::fs::DirEntry& entry : platform::fs::List(folder, "*.png")) {
        if (!entry.isDirectory) {
            highest = std::max(highest, ScreenshotNumber(entry.name));
        }
    }
    const std::string fileName = folder + StrFormat("image%d.png", highest + 1);

    ImageLib::Image picture;
    {
        std::lock_guard<CriticalLock> lock(mDDInterface->mCritSect);
        // A wrapper reads the surface back; the surface itself stays the display's.
        DDImage wrapper(mDDInterface.get());
        wrapper.SetSurface(mDDInterface->mDrawSurface);
        const uint32_t* bits = wrapper.GetBits();
        const int32_t width = wrapper.GetWidth();
        const int32_t height = wrapper.GetHeight();
        if (bits == nullptr || width <= 0 || height <= 0) {
            return;
        }
        picture = ImageLib::Image(width, height);
        uint32_t* out = picture.GetBits();
        for (size_t i = 0; i < picture.mBits.size(); ++i) {
            out[i] = bits[i] | 0xFF000000u;
        }
    }

    ImageLib::WritePNGImage(fileName, picture);
    ClearUpdateBacklog();
}

void VeskAppBase::DumpImageReport() {
    const std::string dump = GetAppDataFolder() + "_dump";
    DeleteTree(dump);
    bool made = false;
    for (int attempt = 0; attempt < kDumpFolderAttempts && !made; ++attempt) {
        if (attempt != 0) {
            platform::GetClock().SleepMs(kDumpFolderPauseMs);
        }
        MakeDirectories(dump);
        made = platform::fs::IsDirectory(dump);
    }
    if (!made) {
        return;
    }

    std::lock_guard<CriticalLock> lock(DisplayLock());

    struct Entry {
        MemoryImage* image;
        ImageCost cost;
    };
    std::vector<Entry> entries;
    entries.reserve(mMemoryImageSet.size());
    ImageCost totals;
    int64_t totalSize = 0;
    for (MemoryImage* image : mMemoryImageSet) {
        const ImageCost cost = ImageCost::Of(*image);
        entries.push_back(Entry{image, cost});
        totals.bits += cost.bits;
        totals.surface += cost.surface;
        totals.palette += cost.palette;
        totals.nativeAlpha += cost.nativeAlpha;
        totals.rlAlpha += cost.rlAlpha;
        totals.rlAdditive += cost.rlAdditive;
        totals.texture += cost.texture;
        totalSize += cost.Total();
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.cost.Total() > b.cost.Total();
    });

    std::string html = "<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>" +
                       platform::GetClock().LocalTimeText() + "\n</B></FONT><BR>\n";
    html += "Total Image Allocation: " + ImageCost::Commas(totalSize) + " bytes<BR>";
    html += "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4>";

    for (size_t i = 0; i < entries.size(); ++i) {
        MemoryImage& image = *entries[i].image;
        const ImageCost& cost = entries[i].cost;
        const std::string imageName = StrFormat("img%04d.png", static_cast<int>(i));
        const std::string thumbName = StrFormat("thumb%04d.jpg", static_cast<int>(i));

        html += "<TR>\n";
        html += "<TD><A HREF=" + imageName + "><IMG SRC=" + thumbName +
                StrFormat(" WIDTH=%d HEIGHT=%d></A></TD>\n", kThumbnailSide, kThumbnailSide);
        html += StrFormat("<TD ALIGN=RIGHT>%d x %d<BR>", image.GetWidth(), image.GetHeight()) +
                ImageCost::Commas(cost.Total()) + " bytes</TD>\n";
        html += BytesCell("mBits<BR>", cost.bits);
        html += BytesCell("Palletized<BR>", cost.palette);
        html += BytesCell("DDSurface<BR>", cost.surface);
        html += Cell(cost.hasTexture
                         ? "Texture<BR>" + ImageCost::TextureFormatName(cost.textureFormat) +
                               "<BR>" + ImageCost::Commas(cost.texture)
                         : "&nbsp;");
        html += FlagCell(image.mVolatile, "Volatile");
        html += FlagCell(image.mForced, "Forced");
        html += FlagCell(image.mHasAlpha, "HasAlpha");
        html += FlagCell(image.mHasTrans, "HasTrans");
        html += BytesCell("NativeAlpha<BR>", cost.nativeAlpha);
        html += BytesCell("RLAlpha<BR>", cost.rlAlpha);
        html += BytesCell("RLAdditive<BR>", cost.rlAdditive);
        html += Cell(image.mPath.empty() ? "&nbsp;" : image.mPath);
        html += "</TR>\n";

        WriteImageFiles(image, dump + "\\" + thumbName, dump + "\\" + imageName);
    }

    html += "<TD>Totals</TD>\n";
    html += Cell(ImageCost::Commas(totalSize));
    html += Cell(ImageCost::Commas(totals.bits));
    html += Cell(ImageCost::Commas(totals.palette));
    html += Cell(ImageCost::Commas(totals.surface));
    html += Cell(ImageCost::Commas(totals.texture));
    for (int i = 0; i < 4; ++i) {
        html += Cell("&nbsp;");
    }
    html += Cell(ImageCost::Commas(totals.nativeAlpha));
    html += Cell(ImageCost::Commas(totals.rlAlpha));
    html += Cell(ImageCost::Commas(totals.rlAdditive));
    html += Cell("&nbsp;");
    html += "</TABLE></CENTER></BODY></HTML>\n";

    platform::fs::WriteWholeFileAtomic(GetAppDataFolder() + "_dump\\imagelist.html", html.data(),
                                       html.size());
}

}  // namespace Vesk
