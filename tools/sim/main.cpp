#include "sim/simapp.h"

#include <iostream>

int main(int argc, char** argv) {
    return qxsim::RunSimulator(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                               std::cerr);
}
