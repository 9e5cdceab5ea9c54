#include "support/Corpus.h"

#include <cstdlib>
#include <filesystem>

#include "support/RunningExecutable.h"

namespace {

// The first folder above the running program that `holds` accepts; empty when there is none.
template <typename Predicate>
std::filesystem::path FolderAboveProgram(Predicate holds) {
  std::filesystem::path dir;
  try {
    dir = RunningExecutable().parent_path();
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
  for (; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
    if (holds(dir)) return dir;
  }
  return {};
}

std::filesystem::path CheckoutCorpus() {
  // The checkout is the first folder above the program that holds the sources.
  const std::filesystem::path checkout = FolderAboveProgram([](const std::filesystem::path& dir) {
    return std::filesystem::exists(dir / "src" / "zip" / "AbZipArchive.h");
  });
  return checkout.empty() ? checkout : (checkout.parent_path() / "shared" / "corpus").lexically_normal();
}

}  // namespace

std::string CorpusDirectory() {
  std::filesystem::path dir;
  if (const char* env = std::getenv("FENDREL_CORPUS"); env != nullptr && *env != '\0') {
    dir = env;
  } else {
    dir = CheckoutCorpus();
  }
  if (dir.empty() || !std::filesystem::exists(dir / "manifest.json")) return {};
  return dir.string();
}

std::string CorpusSearchDescription() {
  if (const char* env = std::getenv("FENDREL_CORPUS"); env != nullptr && *env != '\0') {
    return std::string("FENDREL_CORPUS=") + env;
  }
  const std::filesystem::path dir = CheckoutCorpus();
  return dir.empty() ? std::string("shared/corpus beside the checkout (checkout not found)") : dir.string();
}

std::string OwnTestDataDirectory() {
  if (const char* env = std::getenv("FENDREL_TEST_DATA"); env != nullptr && *env != '\0') {
    return std::filesystem::exists(std::filesystem::path(env) / "manifest.json") ? std::string(env)
                                                                                 : std::string();
  }
  const std::filesystem::path dir = FolderAboveProgram([](const std::filesystem::path& d) {
    return std::filesystem::exists(d / "test-data" / "manifest.json");
  });
  return dir.empty() ? std::string() : (dir / "test-data").string();
}

std::vector<TZipDataSet> ZipDataSets(const std::vector<std::string>& files, std::string& missing) {
  std::vector<TZipDataSet> sets;
  missing.clear();
  if (const std::string own = OwnTestDataDirectory(); own.empty()) {
    missing =
        "the project's test data is absent: no test-data/manifest.json above the test program "
        "(the build makes it with tests/data/make-test-data; or set FENDREL_TEST_DATA)";
  } else {
    for (const std::string& file : files) {
      if (!std::filesystem::exists(std::filesystem::path(own) / file)) {
        missing =
            "the project's test data lacks " + file + " (its maker program was missing when it was built)";
        break;
      }
    }
    if (missing.empty()) sets.push_back({"own test data", own});
  }
  if (const std::string corpus = CorpusDirectory(); !corpus.empty())
    sets.push_back({"outside corpus", corpus});
  return sets;
}
