#pragma once
// Runs kelvara-cli (the path in KELVARA_CLI) as a user would, with stdout and stderr
// captured together, and splits its output into lines.
#include <sys/wait.h>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace kelvara::testing {

struct CliRun {
    int exit_code = -1;
    std::string out;
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) result.push_back(line);
        return result;
    }
};

// `args` is passed through the shell: quote what needs quoting.
inline CliRun run_cli(const std::string& args) {
    const std::string command = std::string(KELVARA_CLI) + " " + args + " 2>&1";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kelvara::testing
