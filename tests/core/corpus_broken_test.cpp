// corpus_broken_test.cpp - damaged, encrypted and foreign files (.xls and .xlsx) either load or fail
// with a real message; none crashes, hangs or needs unbounded memory.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "support/corpus_files.h"

#if defined(__SANITIZE_ADDRESS__)
#define KARVO_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KARVO_UNDER_ASAN 1
#endif
#endif

namespace karvo {
namespace {

// The broken files are at most a few MiB; loading one must not take more than this
// CPU time even in a sanitizer build, nor this much wall time (a child blocked on
// anything is a hang).
constexpr rlim_t kCpuSeconds = 30;
constexpr unsigned kWallSeconds = 60;
// Every length and count in a file is checked against the bytes that remain, so a
// file of a few MiB can never make the library ask for much more than its own size.
// 1 GiB of address space leaves room for the test program, its libraries and the
// loaded book, and catches an allocation sized by a hostile field. ASan reserves
// terabytes of shadow memory, so the limit is left out under it.
#ifdef KARVO_UNDER_ASAN
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
constexpr rlim_t kAddressSpaceBytes = rlim_t(1) << 30;

constexpr char kLoaded[] = "loaded";

// What the child tells the parent: "loaded" after a load and a save, or the load's
// message. A book that loads must also save and load again.
std::string outcomeOf(const std::filesystem::path& path) {
    auto create = path.extension() == ".xlsx" ? createXmlBook : createBinaryBook;
    IBook* book = create();
    std::string outcome;
    if (book->load(path.u16string().c_str())) {
        const char* data = nullptr;
        std::size_t size = 0;
        IBook* again = create();
        if (!book->saveToMemory(&data, &size))
            outcome = std::string("loads but does not save: ") + book->errorMessage();
        else if (!again->loadFromMemory(data, size))
            outcome = std::string("saved copy does not load: ") + again->errorMessage();
        else
            outcome = kLoaded;
        again->release();
    } else {
        outcome = book->errorMessage();
    }
    book->release();
    return outcome;
}

[[noreturn]] void runChild(const std::filesystem::path& path, int out) {
    rlimit cpu{kCpuSeconds, kCpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitAddressSpace) {
        rlimit as{kAddressSpaceBytes, kAddressSpaceBytes};
        setrlimit(RLIMIT_AS, &as);
    }
    alarm(kWallSeconds);
    std::string outcome = outcomeOf(path);
    for (std::size_t done = 0; done < outcome.size();) {
        ssize_t n = write(out, outcome.data() + done, outcome.size() - done);
        if (n <= 0) _exit(3);
        done += static_cast<std::size_t>(n);
    }
    _exit(0);
}

struct ChildResult {
    int status = 0;
    std::string outcome;
};

ChildResult loadInChild(const std::filesystem::path& path) {
    int fds[2];
    if (pipe(fds) != 0) return {-1, "pipe failed"};
    pid_t pid = fork();
    if (pid < 0) return {-1, "fork failed"};
    if (pid == 0) {
        close(fds[0]);
        runChild(path, fds[1]);
    }
    close(fds[1]);
    ChildResult result;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        result.outcome.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    while (waitpid(pid, &result.status, 0) < 0 && errno == EINTR) {
    }
    return result;
}

std::string describeExit(int status) {
    if (WIFSIGNALED(status)) {
        int sig = WTERMSIG(status);
        if (sig == SIGXCPU) return "killed after " + std::to_string(kCpuSeconds) + " s of CPU time";
        if (sig == SIGALRM) return "killed after " + std::to_string(kWallSeconds) + " s";
        return std::string("killed by signal ") + strsignal(sig);
    }
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

class CorpusBroken : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(CorpusBroken, LoadsOrFailsWithAMessageWithinLimits) {
    const std::filesystem::path& path = GetParam();
    if (path.empty()) GTEST_SKIP() << "no corpus at " << (testing::corpusRoot() / "broken");
    static const auto descriptions = testing::corpusDescriptions();
    const std::string file = path.filename().string();
    auto described = descriptions.find(file);
    const std::string about = file + " (" + (described == descriptions.end() ? "not in the manifest" : described->second) + ")";

    ChildResult result = loadInChild(path);
    ASSERT_TRUE(WIFEXITED(result.status) && WEXITSTATUS(result.status) == 0)
        << about << ": " << describeExit(result.status);
    EXPECT_FALSE(result.outcome.empty()) << about << ": failed with an empty message";
    EXPECT_NE(result.outcome, "general failure") << about;
    EXPECT_EQ(result.outcome.rfind("loads but", 0), std::string::npos) << about << ": " << result.outcome;
    EXPECT_EQ(result.outcome.rfind("saved copy", 0), std::string::npos) << about << ": " << result.outcome;
    RecordProperty("outcome", result.outcome);
    std::cout << "[ outcome  ] " << file << ": " << result.outcome << "\n";
}

INSTANTIATE_TEST_SUITE_P(Xls, CorpusBroken, ::testing::ValuesIn(testing::corpusParameters("broken")),
                         testing::corpusTestName<::testing::TestParamInfo<std::filesystem::path>>);
INSTANTIATE_TEST_SUITE_P(Xlsx, CorpusBroken, ::testing::ValuesIn(testing::corpusParameters("broken", ".xlsx")),
                         testing::corpusTestName<::testing::TestParamInfo<std::filesystem::path>>);

} // namespace
} // namespace karvo
