// python_script.h - running a consumer-check script of tests/xls under /usr/bin/python3,
// or any other command.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include <sys/wait.h>

namespace karvo::testing {

/// The scripts' exit status when the Python module they check with is missing.
inline constexpr int kScriptModuleMissing = 3;

/// Runs a shell command; returns what it printed (stderr included) and sets `status`
/// to its exit status, -1 when it could not be started.
inline std::string runCommand(const std::string& command, int& status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    std::string out;
    std::array<char, 4096> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    status = pipe ? WEXITSTATUS(pclose(pipe.release())) : -1;
    return out;
}

/// Runs tests/xls/`script` on `path`, as runCommand does.
inline std::string runPythonScript(const std::string& script, const std::string& path, int& status) {
    return runCommand("/usr/bin/python3 " KARVO_TESTS_DIR "/xls/" + script + " '" + path + "'", status);
}

} // namespace karvo::testing
