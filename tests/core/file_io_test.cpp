// The safe save: links followed, permissions kept, special files written in place, failures harmless.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/file_io.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "support/error_of.h"

using namespace karvo;
using karvo::testing::errorOf;
namespace fs = std::filesystem;

namespace {

constexpr const char* kFailure = "can't open file for writing";

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

void save(const fs::path& path, const std::string& text) {
    SaveFile file(utf8ToUtf16(path.string()).c_str(), kFailure);
    file.append(bytesOf(text));
    file.commit();
}

/// The message of the save's failure, or "no error".
std::string saveFailure(const fs::path& path, const std::string& text) { return errorOf([&] { save(path, text); }); }

/// Whether a save failed with the caller's message followed by the system's reason.
::testing::AssertionResult failsWith(const std::string& message, const std::string& reason) {
    if (message.rfind(kFailure, 0) == 0 && message.find(reason + ")") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "message: " << message << "; expected reason: " << reason;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

/// The names in a directory, to show that no temporary stayed behind.
std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "karvo-file-io-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

/// Sets the umask for one test and restores the previous one.
class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : previous_(umask(mask)) {}
    ~UmaskScope() { umask(previous_); }

private:
    mode_t previous_;
};

} // namespace

TEST_F(FileIo, NewFileGetsTheModeOfAPlainCreate) {
    const std::pair<mode_t, mode_t> cases[] = {{022, 0644}, {027, 0640}, {077, 0600}};
    for (const auto& [mask, mode] : cases) {
        UmaskScope scope(mask);
        fs::path path = dir_ / ("new-" + std::to_string(mask));
        save(path, "data");
        EXPECT_EQ(contentOf(path), "data");
        EXPECT_EQ(modeOf(path), mode) << std::oct << mask;
    }
}

TEST_F(FileIo, ReplacedFileKeepsItsMode) {
    UmaskScope scope(022);
    for (mode_t mode : {0640, 0600, 0755, 0604}) {
        fs::path path = dir_ / ("old-" + std::to_string(mode));
        put(path, "old content");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        save(path, "new");
        EXPECT_EQ(contentOf(path), "new");
        EXPECT_EQ(modeOf(path), mode) << std::oct << mode;
    }
}

TEST_F(FileIo, ReplacedFileKeepsItsOwner) {
    if (geteuid() != 0) GTEST_SKIP() << "only a privileged process can save a file it does not own";
    fs::path path = dir_ / "owned";
    put(path, "old");
    ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    save(path, "new");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 8765u);
    EXPECT_EQ(contentOf(path), "new");
}

TEST_F(FileIo, SaveThroughLinksReplacesTheLastTarget) {
    // chain -> b/link (relative to dir_) -> ../a/book (relative to b) -> a real file
    fs::create_directory(dir_ / "a");
    fs::create_directory(dir_ / "b");
    put(dir_ / "a" / "book", "old");
    ASSERT_EQ(chmod((dir_ / "a" / "book").c_str(), 0640), 0);
    fs::create_symlink("../a/book", dir_ / "b" / "link");
    fs::create_symlink("b/link", dir_ / "chain");
    save(dir_ / "chain", "saved through two links");
    EXPECT_TRUE(fs::is_symlink(dir_ / "chain"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "b" / "link"));
    EXPECT_EQ(fs::read_symlink(dir_ / "chain"), "b/link");
    EXPECT_EQ(fs::read_symlink(dir_ / "b" / "link"), "../a/book");
    EXPECT_EQ(contentOf(dir_ / "a" / "book"), "saved through two links");
    EXPECT_EQ(modeOf(dir_ / "a" / "book"), 0640u);
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"a", "b", "chain"}));
    EXPECT_EQ(namesIn(dir_ / "a"), std::vector<std::string>{"book"});
    EXPECT_EQ(namesIn(dir_ / "b"), std::vector<std::string>{"link"});
}

TEST_F(FileIo, SaveThroughDanglingLinkCreatesItsTarget) {
    fs::create_symlink("later.bin", dir_ / "link");
    save(dir_ / "link", "created");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
    EXPECT_EQ(contentOf(dir_ / "later.bin"), "created");
}

TEST_F(FileIo, LinkLoopFails) {
    fs::create_symlink("two", dir_ / "one");
    fs::create_symlink("one", dir_ / "two");
    EXPECT_TRUE(failsWith(saveFailure(dir_ / "one", "x"), "Too many levels of symbolic links"));
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"one", "two"}));
}

TEST_F(FileIo, FifoIsWrittenInPlace) {
    fs::path fifo = dir_ / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Holding the FIFO open both ways lets the reader open it at once, and its close
    // ends the reader even when a faulty save renamed a file over the FIFO.
    int holder = open(fifo.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    const std::string text(200000, 'x'); // more than a pipe buffer holds
    std::string received;
    std::thread reader([&] { received = contentOf(fifo); });
    std::string failure = saveFailure(fifo, text);
    close(holder);
    reader.join();
    EXPECT_EQ(failure, karvo::testing::kNoError);
    EXPECT_TRUE(received == text) << received.size() << " bytes received";
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"pipe"});
}

/// A character device of the memory driver (3 null, 7 full), or an empty path. As
/// root a faulty save would rename a file over the system's own node, so root gets a
/// node of its own; other users cannot replace those in /dev.
fs::path memoryDevice(const fs::path& dir, const char* name, unsigned minor) {
    if (geteuid() != 0) return fs::path("/dev") / name;
    fs::path device = dir / name;
    int fd = -1;
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0 || (fd = open(device.c_str(), O_WRONLY)) < 0)
        return {};
    close(fd);
    return device;
}

TEST_F(FileIo, DeviceIsWrittenInPlace) {
    fs::path device = memoryDevice(dir_, "null", 3);
    if (device.empty()) GTEST_SKIP() << "no device node can be made and opened here";
    EXPECT_EQ(saveFailure(device, "discarded"), karvo::testing::kNoError);
    EXPECT_TRUE(fs::is_character_file(device));
    // A link to a device is followed to it, not replaced.
    fs::create_symlink(device, dir_ / "link");
    EXPECT_EQ(saveFailure(dir_ / "link", "discarded"), karvo::testing::kNoError);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(FileIo, FullDeviceFailsWithTheReason) {
    fs::path device = memoryDevice(dir_, "full", 7);
    if (device.empty() || !fs::exists(device)) GTEST_SKIP() << "no full device can be made and opened here";
    EXPECT_TRUE(failsWith(saveFailure(device, "data"), "No space left on device"));
    EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(FileIo, PathsThatCannotBeSavedFailCleanly) {
    put(dir_ / "plain", "kept");
    fs::create_directory(dir_ / "folder");
    const std::pair<fs::path, std::string> cases[] = {{dir_ / "folder", "Is a directory"},
                                                      {dir_ / "plain" / "below", "Not a directory"},
                                                      {dir_ / "missing" / "file", "No such file or directory"},
                                                      {dir_ / "nothing/", "No such file or directory"}};
    for (const auto& [path, reason] : cases) EXPECT_TRUE(failsWith(saveFailure(path, "x"), reason)) << path;
    EXPECT_EQ(contentOf(dir_ / "plain"), "kept");
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"folder", "plain"}));
    EXPECT_TRUE(namesIn(dir_ / "folder").empty());
    EXPECT_THROW(SaveFile(u"", kFailure), xlerror);
}

// A write that fails halfway, even for root: the file size limit stops the
// temporary, in a child so that the limit does not reach the other tests.
TEST_F(FileIo, FailedWriteLeavesTheOldFileAndNoTemporary) {
    fs::path path = dir_ / "book";
    put(path, "the old content");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(failsWith(saveFailure(path, std::string(4096, 'n')), "File too large") ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save did not fail with its message and reason";
    EXPECT_EQ(contentOf(path), "the old content");
    EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"book"});
}

TEST_F(FileIo, ReaderReadsPiecesAndFailsWhenTheFileWasCutShort) {
    const fs::path path = dir_ / "pieces.bin";
    put(path, "0123456789");
    const std::string wide = path.string();
    FileReader reader(utf8ToUtf16(wide).c_str(), "can't open file for reading");
    EXPECT_EQ(reader.size(), 10u);
    std::uint8_t piece[4] = {};
    reader.read(3, piece, 4);
    EXPECT_EQ(std::string(piece, piece + 4), "3456");
    EXPECT_EQ(errorOf([&] { reader.read(8, piece, 4); }), "can't open file for reading");
    // Another program rewrites the file while it is being read.
    ASSERT_EQ(truncate(path.c_str(), 5), 0);
    EXPECT_EQ(errorOf([&] { reader.read(4, piece, 2); }), "can't open file for reading");
    reader.read(0, piece, 4);
    EXPECT_EQ(std::string(piece, piece + 4), "0123");

    EXPECT_EQ(errorOf([&] { FileReader((utf8ToUtf16((dir_ / "missing").string())).c_str(), "no such"); }), "no such");
    EXPECT_EQ(errorOf([&] { FileReader(utf8ToUtf16(dir_.string()).c_str(), "a directory"); }), "a directory");
}
