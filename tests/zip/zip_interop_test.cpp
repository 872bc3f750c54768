// zip_interop_test.cpp - our archives read by Python's zipfile and unzip, and theirs
// (Python's with a comment, Zip64 fields and records, data descriptors; the zip tool's) by us.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "core/utf_convert.h"
#include "support/python_script.h"
#include "tests/zip/zip_bytes.h"
#include "zip/zip_archive.h"

using namespace karvo;
using namespace karvo::testing;
namespace fs = std::filesystem;

namespace {

const std::string kScript = "/usr/bin/python3 " KARVO_TESTS_DIR "/zip/zip_interop.py";

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

class ZipInterop : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "karvo-zip-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    static std::string slurp(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void put(const std::string& name, const std::string& data) const {
        fs::create_directories(fs::path(path(name)).parent_path());
        std::ofstream(path(name), std::ios::binary) << data;
    }

    // Name to content of every entry, through both readers.
    static std::map<std::u16string, std::string> readOurs(const std::string& file) {
        std::string bytes = slurp(file);
        ReadResult read = readAll({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, 64 << 10);
        EXPECT_EQ(read.code, kReadOk) << file;
        return {read.entries.begin(), read.entries.end()};
    }

    fs::path dir_;
};

// What Python's side puts in entry k (content() in zip_interop.py).
std::string content(int k) {
    std::string one = "<c r=\"A" + std::to_string(k) + "\"><v>" + std::to_string(k * k) + "</v></c>", all;
    for (int i = 0; i < k % 50; ++i) all += one;
    return all;
}

std::string pseudoRandom(std::size_t size) {
    std::string s(size, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : s) x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = static_cast<char>(x);
    return s;
}

const std::vector<std::pair<std::u16string, std::string>> kEntries = {
    {u"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
    {u"empty", ""},
    {u"four", "1234"},
    {u"xl/media/image1.bin", pseudoRandom(300000)},
    {u"xl/worksheets/\u041B\u0438\u0441\u0442 \u6570.xml", content(49) + content(48)},
};

TEST_F(ZipInterop, PythonAndUnzipReadOurArchive) {
    zip::CZipArchiveWriter writer;
    auto bytesOf = [](std::string_view s) { return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); };
    // The large entries go in pieces, so their CRC and sizes follow in a data descriptor.
    constexpr std::size_t kPiece = 100000;
    for (const auto& [name, data] : kEntries) {
        if (data.size() <= kPiece) {
            writer.add(name, bytesOf(data));
            continue;
        }
        writer.addInPieces(name, [&](const zip::CZipArchiveWriter::Sink& sink) {
            for (std::size_t at = 0; at < data.size(); at += kPiece) sink(bytesOf(std::string_view(data).substr(at, kPiece)));
        });
    }
    std::vector<std::uint8_t> bytes = writer.close();
    std::time_t written = std::time(nullptr);
    put("ours.zip", std::string(bytes.begin(), bytes.end()));

    int status = 0;
    std::string listing = runCommand(kScript + " read " + path("ours.zip") + " " + dir_.string(), status);
    ASSERT_EQ(status, 0) << listing;
    std::istringstream lines(listing);
    for (std::size_t i = 0; i < kEntries.size(); ++i) {
        std::string hex;
        std::tm stamp{};
        lines >> hex >> stamp.tm_year >> stamp.tm_mon >> stamp.tm_mday >> stamp.tm_hour >> stamp.tm_min >> stamp.tm_sec;
        std::string name;
        for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
            name += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
        EXPECT_EQ(name, utf16ToUtf8(kEntries[i].first));
        EXPECT_EQ(slurp(path(std::to_string(i))), kEntries[i].second) << name;
        stamp.tm_year -= 1900, stamp.tm_mon -= 1, stamp.tm_isdst = -1;
        EXPECT_LE(std::abs(std::difftime(std::mktime(&stamp), written)), 4.0) << "the local time, in two-second steps";
    }

    if (!have("unzip")) GTEST_SKIP() << "unzip is not installed";
    std::string tested = runCommand("unzip -tq " + path("ours.zip"), status);
    EXPECT_EQ(status, 0) << tested;
    std::string names = runCommand("LC_ALL=C.UTF-8 unzip -Z1 " + path("ours.zip"), status);
    std::string expected;
    for (const auto& entry : kEntries) expected += utf16ToUtf8(entry.first) + "\n";
    EXPECT_EQ(names, expected);
}

TEST_F(ZipInterop, WeReadPythonArchives) {
    int status = 0;
    std::string said = runCommand(kScript + " write " + dir_.string(), status);
    ASSERT_EQ(status, 0) << said;
    for (const char* name : {"comment.zip", "zip64.zip", "descriptor.zip"}) {
        std::map<std::u16string, std::string> read = readOurs(path(name));
        ASSERT_EQ(read.size(), 6u) << name;
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(read[u"xl/part" + utf8ToUtf16(std::to_string(k)) + u".xml"], content(k)) << name;
    }
    std::map<std::u16string, std::string> many = readOurs(path("many.zip"));
    ASSERT_EQ(many.size(), 70000u);
    for (int k : {0, 65535, 65536, 69999}) EXPECT_EQ(many[u"p" + utf8ToUtf16(std::to_string(k))], std::to_string(k));
}

TEST_F(ZipInterop, WeReadTheZipTool) {
    if (!have("zip")) GTEST_SKIP() << "zip is not installed";
    put("in/sheet.xml", content(47) + content(46));
    put("in/sub/image.bin", pseudoRandom(5000));
    int status = 0;
    // Written to a pipe, zip cannot seek back and follows each entry with a data descriptor.
    std::string said = runCommand(
        "cd " + path("in") + " && zip -qr ../tool.zip sheet.xml sub && zip -q - sheet.xml | cat > ../piped.zip",
        status);
    ASSERT_EQ(status, 0) << said;
    std::map<std::u16string, std::string> tool = readOurs(path("tool.zip"));
    std::map<std::u16string, std::string> expected = {{u"sheet.xml", slurp(path("in/sheet.xml"))},
                                                      {u"sub/", ""},
                                                      {u"sub/image.bin", slurp(path("in/sub/image.bin"))}};
    EXPECT_EQ(tool, expected);
    std::map<std::u16string, std::string> piped = readOurs(path("piped.zip"));
    ASSERT_EQ(piped.size(), 1u);
    EXPECT_EQ(piped.begin()->second, expected[u"sheet.xml"]);
}

} // namespace
