# Compiler settings of the fuzz build (configured by scripts/fuzz into build-fuzz/): every
# library is built with the coverage instrumentation libFuzzer steers by, and with
# AddressSanitizer and UndefinedBehaviorSanitizer, so a finding anywhere below a target
# stops the run. Included before the libraries are added.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzz targets need clang (configure with CC=clang CXX=clang++, as scripts/fuzz does)")
endif()

include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=fuzzer)
check_cxx_source_compiles([[
extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }
]] FENDREL_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_LINK_OPTIONS)
if(NOT FENDREL_HAVE_LIBFUZZER)
  message(FATAL_ERROR "clang cannot link with -fsanitize=fuzzer: the fuzzer runtime (libclang-rt-14-dev) is missing")
endif()

if(FENDREL_SANITIZE)
  message(FATAL_ERROR "FENDREL_BUILD_FUZZ brings its own sanitizers; leave FENDREL_SANITIZE off")
endif()

add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                    -fno-omit-frame-pointer -O1 -g)
