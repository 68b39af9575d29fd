// The message-box helper: the game starts it to show one box, so that no copy
// of the game itself is ever forked to show one.
#include "platform/sdl/SdlMessageBoxes.h"

int main(int argc, char** argv) {
    platform::sdl::RunMessageBoxHelper(argc, argv);
}
