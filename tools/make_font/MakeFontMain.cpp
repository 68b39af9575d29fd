// make_font FONT.ttf PIXELS POINTS OUT.txt [IMAGE.png]
// Renders the printable characters of a face into a layer image and writes its descriptor.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FontMaker.h"

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: make_font FONT.ttf PIXELS POINTS OUT.txt [IMAGE.png]\n");
        return 2;
    }
    fontmaker::FontRequest request;
    request.fontFile = argv[1];
    request.pixelSize = std::atoi(argv[2]);
    request.pointSize = std::atoi(argv[3]);
    const std::string descriptor = argv[4];
    if (argc > 5) {
        request.imageName = argv[5];
    } else {
        const size_t slash = descriptor.find_last_of('/');
        std::string stem = descriptor.substr(slash == std::string::npos ? 0 : slash + 1);
        const size_t dot = stem.rfind('.');
        request.imageName = stem.substr(0, dot) + ".png";
    }
    std::string error;
    if (!fontmaker::WriteFont(request, descriptor, &error)) {
        std::fprintf(stderr, "make_font: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
