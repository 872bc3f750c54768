// corpus_files.h - finding the files of the shared test corpus and their manifest notes.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace karvo::testing {

/// The corpus root from the build, or empty when the build names none.
inline std::filesystem::path corpusRoot() {
#ifdef KARVO_CORPUS_DIR
    return KARVO_CORPUS_DIR;
#else
    return {};
#endif
}

/// The files of one corpus folder with an extension, sorted by name; empty when the
/// folder is absent.
inline std::vector<std::filesystem::path> corpusFiles(const std::string& folder, const std::string& extension = ".xls") {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path dir = corpusRoot() / folder;
    if (corpusRoot().empty() || !std::filesystem::is_directory(dir)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<char> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

/// The files of a corpus folder as test parameters; one empty path stands for an
/// absent corpus, so that the test can skip and say so.
inline std::vector<std::filesystem::path> corpusParameters(const std::string& folder,
                                                           const std::string& extension = ".xls") {
    auto files = corpusFiles(folder, extension);
    if (files.empty()) files.emplace_back();
    return files;
}

/// A test name from a corpus file's name ("absent" for the empty path).
template <class ParamInfo>
std::string corpusTestName(const ParamInfo& info) {
    std::string name = info.param.empty() ? "absent" : info.param.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

/// File name to its description (the fourth column of MANIFEST.tsv).
inline std::map<std::string, std::string> corpusDescriptions() {
    std::map<std::string, std::string> out;
    std::ifstream in(corpusRoot() / "MANIFEST.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> columns(1);
        for (char c : line) {
            if (c == '\t') columns.emplace_back();
            else columns.back() += c;
        }
        if (columns.size() < 4) continue;
        out[std::filesystem::path(columns[0]).filename().string()] = columns[3];
    }
    return out;
}

} // namespace karvo::testing
