#pragma once
// Runs a program with arguments (no shell) and collects its exit code and output.
#include <string>
#include <vector>

namespace vinra::testing {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& env = {});

}  // namespace vinra::testing
