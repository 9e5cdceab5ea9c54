#include "support/Corpus.h"

#include <cstdlib>
#include <filesystem>

#include "support/RunningExecutable.h"

namespace {

std::filesystem::path CheckoutCorpus() {
  std::filesystem::path dir;
  try {
    dir = RunningExecutable().parent_path();
  } catch (const std::filesystem::filesystem_error&) {
    return {};
  }
  // The checkout is the first folder above the program that holds the sources.
  for (; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
    if (std::filesystem::exists(dir / "src" / "zip" / "AbZipArchive.h")) {
      return (dir.parent_path() / "shared" / "corpus").lexically_normal();
    }
  }
  return {};
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
