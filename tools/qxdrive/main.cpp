#include "qxdrive/qxdrivecli.h"

#include <iostream>

int main(int argc, char** argv) {
    return qxdrive::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
