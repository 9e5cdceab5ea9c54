#ifndef FENDREL_TESTS_SUPPORT_MADETESTDATA_H
#define FENDREL_TESTS_SUPPORT_MADETESTDATA_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Needs.h"

// Test data made at test time by the real tools (7z, wavpack) in a temporary folder,
// for entries whose exact shape matters: LZMA streams without an end marker around the
// 64 KiB buffer boundaries, PPMd at the same sizes, WavPack streams of RIFF files with
// and without their pad byte. Every maker call of the tests goes through here.
namespace testsupport {

// The named programs that cannot be found; empty when all can.
std::string MissingMakers(const std::vector<std::string>& programs);

// A file of the given size: zeros, or text lines that compress less evenly.
std::string ZeroBytes(std::size_t size);
std::string TextBytes(std::size_t size);

// Archives the files (name, contents) with 7z into a ZIP with the given method option
// (for example "-mm=LZMA:eos=off") and returns the archive's bytes. Raises
// std::runtime_error with the tool's output when it fails.
std::string MakeZipWith7z(const std::vector<std::pair<std::string, std::string>>& files,
                          const std::string& methodOption);

// Compresses a WAV file with wavpack and returns the WavPack stream. Raises
// std::runtime_error with the tool's output when it fails.
std::string MakeWavPack(const std::string& wavFile);
// What wvunpack makes of a WavPack stream: the reference for the glue's output.
std::string UnpackWavPack(const std::string& stream);

}  // namespace testsupport

// Ends the test when a maker is missing: a failure in CI, a skip elsewhere.
#define REQUIRE_MAKERS(...)                                                                    \
  do {                                                                                         \
    const std::string missingMakers = testsupport::MissingMakers({__VA_ARGS__});               \
    FENDREL_NEEDS(missingMakers.empty(),                                                       \
                  "test data makers missing (scripts/setup installs them): " + missingMakers); \
  } while (false)

#endif
