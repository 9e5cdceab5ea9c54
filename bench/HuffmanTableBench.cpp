// Cost of building the decode table of an over-subscribed literal/length code, which a
// stream may ask for block after block: a few bytes of header each time. Figures are
// microseconds of the thread's processor time per build.
//
//   HuffmanTableBench [builds per set, default 2000]
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "codecs/AbDfDecodeHuffmanTree.h"

namespace {

double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct CodeSet {
  const char* name;
  int count;   // symbols from 0 on with the short length
  int length;  // the short length
};

}  // namespace

int main(int argc, char** argv) {
  const int builds = argc > 1 ? std::atoi(argv[1]) : 2000;
  const CodeSet sets[] = {{"2 codes of 1 bit and one of 15 bits", 2, 1},
                          {"257 codes of 1 bit and one of 15 bits", 257, 1},
                          {"285 codes of 8 bits and one of 15 bits", 285, 8},
                          {"285 codes of 14 bits and one of 15 bits", 285, 14}};
  for (const CodeSet& set : sets) {
    std::vector<std::uint8_t> lengths(288, 0);
    for (int i = 0; i < set.count; ++i)
      lengths[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(set.length);
    lengths[285] = 15;
    TAbDfDecodeHuffmanTree tree(288, 15, TAbDfHuffmanUsage::huDecoding, 10);
    const double start = ThreadSeconds();
    for (int i = 0; i < builds; ++i)
      tree.Build(lengths.data(), 0, 288, nullptr, 257, TAbDfSymbolRoles{256, 256, 286});
    std::printf("%-42s %9.1f us per build\n", set.name, (ThreadSeconds() - start) * 1e6 / builds);
  }
}
