// zolvex-sim: the whole game on the headless platform, driven by a script.
#include <iostream>

#include "Simulator.h"

int main(int argc, char** argv) {
    return zolvex::RunSimulator(argc, argv, std::cin, std::cout, std::cerr);
}
