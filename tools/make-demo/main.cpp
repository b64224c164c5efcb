// make-demo [FOLDER]: writes the demo levels demo.tr2 and demo.tr4 into
// FOLDER (data/demo of the source tree by default).
#include <exception>
#include <iostream>

#include "demo_level.h"

int main(int argc, char* argv[])
{
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::cerr << "usage: make-demo [FOLDER]   (default " << KELANIM_DEMO_DIR << ")\n";
        return 2;
    }
    const std::string folder = argc > 1 ? argv[1] : KELANIM_DEMO_DIR;
    try {
        kelanim::demo::write_demo_levels(folder);
    } catch (const std::exception& error) {
        std::cerr << "make-demo: " << error.what() << '\n';
        return 1;
    }
    std::cout << "make-demo: wrote demo.tr2 and demo.tr4 into " << folder << '\n';
    return 0;
}
