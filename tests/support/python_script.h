// python_script.h - running a consumer-check script of tests/xls under /usr/bin/python3.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include <sys/wait.h>

namespace karvo::testing {

/// The scripts' exit status when the Python module they check with is missing.
inline constexpr int kScriptModuleMissing = 3;

/// Runs tests/xls/`script` on `path`; returns what it printed (stderr included) and
/// sets `status` to its exit status, -1 when it could not be started.
inline std::string runPythonScript(const std::string& script, const std::string& path, int& status) {
    std::string command = "/usr/bin/python3 " KARVO_TESTS_DIR "/xls/" + script + " '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    std::array<char, 4096> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    status = pipe ? WEXITSTATUS(pclose(pipe.release())) : -1;
    return out;
}

} // namespace karvo::testing
