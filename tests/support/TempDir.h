#pragma once

// A fresh folder for one test, and the readers of the files a test finds in it. Standard
// library only, so that every test program can use it: the virtual camera's, which link nothing
// of the camera library, and the Windows builds'.

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace TestSupport {

// A folder of its own under the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
  public:
    TempDir() : folder(makeUniqueFolder()) {}
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& dir() const { return folder; }
    // The path of `name` inside the folder, as text.
    std::string path(const std::string& name) const { return (folder / name).string(); }

  private:
    // mkdtemp without POSIX, so that the Windows build runs these tests too: create_directory
    // reports a name that is already taken, and another one is drawn.
    static std::filesystem::path makeUniqueFolder() {
        std::random_device seed;
        std::mt19937_64 draw(seed());
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (;;) {
            std::filesystem::path candidate = base / ("quorvin-" + std::to_string(draw()));
            if (std::filesystem::create_directory(candidate)) {
                return candidate;
            }
        }
    }

    std::filesystem::path folder;
};

// Read as text, as the log writes it: on Windows each line then ends in "\n" here too.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> readLines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace TestSupport
