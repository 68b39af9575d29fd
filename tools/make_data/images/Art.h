#pragma once

#include <cstdint>
#include <string>

typedef struct _cairo cairo_t;

// The drawing vocabulary every image of the data set shares, so the set reads as one game:
// one palette, one light from the top left, one corner radius, one face for words.
namespace make_data::images::art {

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

constexpr Rgb Hex(uint32_t rgb) {
    return {static_cast<double>((rgb >> 16) & 0xFF) / 255.0,
            static_cast<double>((rgb >> 8) & 0xFF) / 255.0,
            static_cast<double>(rgb & 0xFF) / 255.0};
}
Rgb Mix(Rgb a, Rgb b, double t);
// Towards white for amount > 0, towards black for amount < 0 (-1..1).
Rgb Shade(Rgb c, double amount);

// The shared palette.
inline constexpr Rgb kInk = Hex(0x2B1A10);        // outlines
inline constexpr Rgb kCream = Hex(0xFFF4D6);      // text on dark
inline constexpr Rgb kWood = Hex(0x8A5A32);       // panel frames
inline constexpr Rgb kParchment = Hex(0xF3E2B8);  // panel faces
inline constexpr Rgb kLeaf = Hex(0x4E9A3A);       // buttons
inline constexpr Rgb kGold = Hex(0xF2B632);
inline constexpr Rgb kSky = Hex(0x8CC8F0);
inline constexpr double kRadius = 10.0;

// A small deterministic generator, so every picture is the same on every run.
class Random {
public:
    explicit Random(uint32_t seed) : mState(seed * 2654435761u + 0x9E3779B9u) {}
    uint32_t Next();
    double Uniform(double low, double high);

private:
    uint32_t mState;
};

void SetColor(cairo_t* cr, Rgb c, double alpha = 1.0);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
// Paths of closed shapes centred on (cx, cy).
void StarPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points,
              double rotation = 0.0);
void PolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides,
                 double rotation = 0.0);
void HeartPath(cairo_t* cr, double cx, double cy, double size);
void DropPath(cairo_t* cr, double cx, double cy, double size);

// Fills the current path with a top-to-bottom gradient between y0 and y1, keeping the path.
void FillVertical(cairo_t* cr, Rgb top, Rgb bottom, double y0, double y1, double alpha = 1.0);
// Strokes the current path in the outline colour, keeping the path.
void Outline(cairo_t* cr, double width, Rgb c = kInk, double alpha = 0.9);
// A soft round light: colour at the centre fading to nothing at the radius.
void Glow(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha = 1.0);
// The shaded fill of a ball-like shape already in the path: base colour lit from the top left,
// then its outline. The path is consumed.
void ShadeShape(cairo_t* cr, Rgb base, double cx, double cy, double radius, double outline);

// As ShadeShape for a path made of overlapping parts: only the outer edge gets the outline.
void ShadeBlob(cairo_t* cr, Rgb base, double cx, double cy, double radius, double outline);

// A framed panel: soft drop shadow, wooden rim, parchment face.
void Panel(cairo_t* cr, double x, double y, double w, double h, double r = 14.0,
           Rgb face = kParchment, Rgb rim = kWood, double rimWidth = 9.0);

enum class Look { kNormal, kOver, kDown, kDisabled };
// A rounded button with its word, in one of its four states.
void Button(cairo_t* cr, double x, double y, double w, double h, const std::string& text, Look look,
            Rgb base = kLeaf);

// Words in the shared face, centred on (cx, cy) by their ink, shrunk to fit maxWidth when
// given. Light text gets a dark outline and a soft shadow.
void Text(cairo_t* cr, const std::string& text, double cx, double cy, double size, Rgb fill,
          double maxWidth = 0.0, bool outlined = true);
// Left-aligned words on a baseline; returns the advance.
// An outlined word whose ink starts at x, on the baseline, shrunk to fit maxWidth.
void TextOnBaseline(cairo_t* cr, const std::string& text, double x, double baseline, double size,
                    Rgb fill, double maxWidth);
double TextLeft(cairo_t* cr, const std::string& text, double x, double baseline, double size,
                Rgb fill, bool bold = true);

}  // namespace make_data::images::art
