// make_data: makes every file the game reads and packs them into "vorns.pak".
#include <cstdio>

#include "make_data/DataSet.h"

int main() {
    std::fprintf(stderr, "make_data: nothing is made yet\n");
    return 1;
}
