#ifndef FENDREL_TESTS_SUPPORT_TEMPDIRECTORY_H
#define FENDREL_TESTS_SUPPORT_TEMPDIRECTORY_H

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A fresh directory under the system's temporary folder, removed with everything in
// it (write bits given back first) when the object ends.
class TTempDirectory {
 public:
  TTempDirectory() {
#ifdef _WIN32
    // No mkdtemp here: a random name, taken only when it is new.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() / ("fendrel-test-" + std::to_string(random()));
      std::error_code failed;
      if (std::filesystem::create_directory(candidate, failed)) FPath = candidate;
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "fendrel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) FPath = pattern;
#endif
  }
  ~TTempDirectory() {
    std::error_code ignored;
    for (auto it = std::filesystem::recursive_directory_iterator(FPath, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (!it->is_symlink(ignored))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempDirectory(const TTempDirectory&) = delete;
  TTempDirectory& operator=(const TTempDirectory&) = delete;

  const std::filesystem::path& Path() const {
    return FPath;
  }
  std::string operator/(const std::string& name) const {
    return (FPath / name).string();
  }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Names in the directory other than those given, to find left-over files.
  std::size_t CountEntries() const {
    std::size_t n = 0;
    std::error_code ignored;
    for (auto it = std::filesystem::directory_iterator(FPath, ignored);
         it != std::filesystem::directory_iterator(); it.increment(ignored))
      ++n;
    return n;
  }

 private:
  std::filesystem::path FPath;
};

#endif
