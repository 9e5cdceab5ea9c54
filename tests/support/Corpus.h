#ifndef FENDREL_TESTS_SUPPORT_CORPUS_H
#define FENDREL_TESTS_SUPPORT_CORPUS_H

#include <string>

// The folder of the ZIP test corpus: FENDREL_CORPUS when set, otherwise
// shared/corpus beside the checkout that holds the running test program. Empty when
// neither holds a manifest.json.
std::string CorpusDirectory();
// Where the corpus was looked for, for the message when it is absent.
std::string CorpusSearchDescription();

#endif
