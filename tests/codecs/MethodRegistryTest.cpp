// The method table is made from the codecs' registrations: every registered number reaches
// its codec's decoder, every other number is refused as an unsupported method, and the
// registrations agree with the list of decoding libraries the build reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "codecs/AbMethodRegistry.h"
#include "codecs/AbUnzipItem.h"
#include "core/Exception.h"
#include "core/Stream.h"
#include "support/ZipWriter.h"
#include "zip/AbZipArchive.h"

namespace {

// The methods this build decodes; a registration that goes missing shows here.
const std::set<int> kDecodedMethods = {0, 1, 2, 3, 4, 5, 6, 8, 9, 12, 14, 97, 98};

const TAbMethodRegistration* RegistrationOf(int method) {
  for (const auto& registration : kAbMethodRegistrations)
    if (method >= registration.FirstMethod && method <= registration.LastMethod) return &registration;
  return nullptr;
}

std::string ExtractionFailure(int method) {
  TTestZipEntry entry{.name = "a", .data = "some bytes", .method = static_cast<std::uint16_t>(method)};
  auto source = std::make_unique<TMemoryStream>();
  const std::string zip = TTestZipWriter::Build({entry});
  source->WriteBuffer(zip.data(), static_cast<std::int64_t>(zip.size()));
  source->SetPosition(0);
  TAbZipArchive archive(std::move(source), u"/memory/test.zip");
  archive.Load();
  TMemoryStream out;
  try {
    UnzipItemToStream(archive, archive.Items(0), &out);
  } catch (const Exception& e) {
    return ToUtf8(e.ClassName());
  }
  return "";
}

TEST(MethodRegistry, EveryRegisteredNumberReachesItsDecoderAndNoOtherIsDecoded) {
  for (int method = 0; method < 256; ++method) {
    const TAbMethodRegistration* registration = RegistrationOf(method);
    EXPECT_EQ(registration != nullptr, kDecodedMethods.contains(method)) << "method " << method;
    if (registration != nullptr) {
      EXPECT_EQ(FindMethodDecoder(static_cast<std::uint8_t>(method)), registration->Decoder)
          << "method " << method;
    } else {
      EXPECT_EQ(FindMethodDecoder(static_cast<std::uint8_t>(method)), nullptr) << "method " << method;
      EXPECT_EQ(ExtractionFailure(method), "EAbZipInvalidMethod") << "method " << method;
    }
  }
}

TEST(MethodRegistry, TheLibrariesNamedAreThoseTheBuildLinks) {
  std::map<int, std::string> listed;  // method number -> library, from cmake/codec-libraries
  std::istringstream methods(FENDREL_CODEC_LIBRARY_METHODS);
  for (std::string method; std::getline(methods, method, ',');) {
    const auto number = std::stoi(method.substr(0, method.find(':')));
    listed[number] = method.substr(method.rfind(':') + 1);
  }
  std::map<int, std::string> registered;
  for (const auto& registration : kAbMethodRegistrations)
    if (registration.Library != nullptr)
      for (int method = registration.FirstMethod; method <= registration.LastMethod; ++method)
        registered[method] = registration.Library;
  EXPECT_EQ(registered, listed);
  EXPECT_FALSE(listed.empty());
}

TEST(MethodRegistry, EveryDecoderFailureIsListedOnce) {
  std::set<std::int32_t> codes;
  for (const auto& failure : kAbDecoderFailures)
    EXPECT_TRUE(codes.insert(failure.ErrorCode).second) << ToUtf8(failure.ClassName);
  const std::set<std::int32_t> expected = {105, 110, 111, 112, 113, 114, 120, 121, 122};
  EXPECT_EQ(codes, expected);
}

}  // namespace
