#pragma once

#include "qxdrive/qxdrivecli.h"

#include <sstream>
#include <string>
#include <vector>

// One run of the qxdrive command line in this process, with what it printed.
struct CliResult {
    int Status;
    std::string Out;
    std::string Err;
};

inline CliResult Qxdrive(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = qxdrive::Run(args, out, err);
    return {status, out.str(), err.str()};
}
