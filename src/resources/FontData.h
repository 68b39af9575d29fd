#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <string>

#include "resources/DescParser.h"
#include "resources/FontLayer.h"

namespace Vesk {

class FontHost;
class Image;

// The parsed form of an image font, shared by every ImageFont made from it: named layers, the
// character map, the defines and the default point size. Built once from a font descriptor or
// from one image and a width list; deleted by the last Release.
class FontData : public DescParser {
public:
    bool mInitialized = false;
    std::atomic<int32_t> mRefCount{0};
    // not owned; may be null (no pop-ups, no images)
    FontHost* mHost = nullptr;
    int32_t mDefaultPointSize = 0;
    // Every character goes through it before any per-character table.
    std::array<uint8_t, 256> mCharMap{};
    // In creation order; the map points into the list.
    std::list<FontLayer> mFontLayerList;
    std::map<std::string, FontLayer*> mFontLayerMap;
    std::string mSourceFile;
    std::string mFontErrorHeader;

    FontData();
    ~FontData() override;

    // Pops the error up with the file, line and statement; always false.
    bool Error(const std::string& text) override;
    bool HandleCommand(const ListDataElement& params) override;

    // False when already loaded. Otherwise true, with mInitialized telling whether the file was
    // read without an error.
    bool Load(FontHost* host, const std::string& fileName);
    // The same over descriptor text in memory; fileName names it in errors and anchors the
    // layer image paths.
    bool LoadText(FontHost* host, const std::string& fileName, std::string_view text);
    // The older form: one layer over the image (not owned; it must outlive the font), with a
    // width list: the space width, the ascent, then character and width pairs.
    bool LoadLegacy(FontHost* host, Image* image, const std::string& widthsFile);
    bool LoadLegacyText(FontHost* host, Image* image, const std::string& widthsFile,
                        std::string_view text);

    void AddRef() { ++mRefCount; }
    // Deletes the data at 0.
    void Release();

    // False for a list; "Undefined Layer" when no layer has the name.
    bool GetLayerByName(const DataElement* name, FontLayer** layer);

private:
    bool BeginLoad(FontHost* host, const std::string& fileName);
    bool GetInt(const DataElement* value, int32_t* out);
    // A list written out or a define naming one.
    bool GetList(const DataElement* value, ListDataElement* out);
    bool GetColor(const DataElement* value, Color* out);
    bool GetChar(const DataElement* value, uint8_t* out);
    bool GetIntList(const DataElement* value, size_t count, std::vector<int32_t>* out);

    bool CmdDefine(const ListDataElement& params);
    bool CmdCreateHorzSpanRectList(const ListDataElement& params);
    bool CmdSetCharMap(const ListDataElement& params);
    bool CmdCreateLayer(const ListDataElement& params, bool fromSource);
    bool CmdLayerTags(const ListDataElement& params, bool required);
    bool CmdLayerSetImage(const ListDataElement& params);
    bool CmdLayerSetImageMap(const ListDataElement& params);
    bool CmdLayerSetKerningPairs(const ListDataElement& params);
    bool CmdLayerPerChar(const ListDataElement& params, const std::string& command);
    bool CmdLayerValue(const ListDataElement& params, const std::string& command);
};

}  // namespace Vesk
