#include "levels/LevelWriter.h"

#include <cstdio>

namespace vesk_tools {
namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string FloatText(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

template <typename T, typename F>
std::string Joined(const std::vector<T>& items, F text) {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += text(items[i]);
    }
    return out;
}

void Attribute(std::string& out, const char* name, const std::string& value) {
    out += ' ';
    out += name;
    out += "=\"";
    out += Escaped(value);
    out += '"';
}

}  // namespace

std::string WriteLevelManifest(const std::vector<LevelEntry>& levels) {
    std::string out = "<?xml version=\"1.0\"?>\n<LevelManifest>\n";
    for (const LevelEntry& level : levels) {
        out += "  <Level";
        Attribute(out, "id", level.id);
        Attribute(out, "background", level.background);
        Attribute(out, "capacity", std::to_string(level.capacity));
        Attribute(out, "start", FloatText(level.start));
        Attribute(out, "speed", FloatText(level.speed));
        Attribute(out, "effectcapacity", std::to_string(level.effectcapacity));
        Attribute(out, "width", std::to_string(level.width));
        Attribute(out, "height", std::to_string(level.height));
        Attribute(out, "table", Joined(level.table, [](int32_t v) { return std::to_string(v); }));
        Attribute(out, "block", Joined(level.blocks, [](const std::string& s) { return s; }));
        out += "/>\n";
    }
    out += "</LevelManifest>\n";
    return out;
}

}  // namespace vesk_tools
