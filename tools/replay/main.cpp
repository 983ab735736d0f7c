// zelto-replay [SCRIPT]: runs a replay script (standard input without one) in the current
// directory, where the record file lives.
#include "replay/replay.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: zelto-replay [SCRIPT]\n";
        return 2;
    }
    if (argc == 2) {
        std::ifstream script(argv[1]);
        if (!script) {
            std::cerr << "zelto-replay: cannot read " << argv[1] << '\n';
            return 2;
        }
        return zelto::runReplay(script, std::cout, std::cerr, ".");
    }
    return zelto::runReplay(std::cin, std::cout, std::cerr, ".");
}
