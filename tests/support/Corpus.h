#ifndef FENDREL_TESTS_SUPPORT_CORPUS_H
#define FENDREL_TESTS_SUPPORT_CORPUS_H

#include <filesystem>
#include <string>
#include <vector>

#include "support/Needs.h"

// Where the ZIP test archives are. Two sets share one manifest format (manifest.json, see
// tests/data/make-test-data): the project's own, which the build makes into test-data/ of
// the build folder, and the outside corpus, which the tests also walk when it is present.

// The outside corpus: FENDREL_CORPUS when set, otherwise shared/corpus beside the checkout
// that holds the running test program. Empty when neither holds a manifest.json.
std::string CorpusDirectory();
// Where the corpus was looked for, for the message when it is absent.
std::string CorpusSearchDescription();

// The project's own test archives: FENDREL_TEST_DATA when set, otherwise test-data/ in the
// first folder above the running program that holds one. Empty when absent.
std::string OwnTestDataDirectory();

struct TZipDataSet {
  std::string Label;
  std::filesystem::path Dir;
};

// The sets to run on: the project's own, then the outside corpus when present. When the own
// set or one of `files` in it is missing, `missing` says so in one line (else it is empty).
std::vector<TZipDataSet> ZipDataSets(const std::vector<std::string>& files, std::string& missing);

#endif
