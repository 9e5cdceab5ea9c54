# The decoding libraries behind bzip2, LZMA, PPMd and WavPack. Builds or finds each library of
# cmake/codec-libraries by its recipe below and sets FENDREL_CODEC_LIBRARIES to what
# fendrel_codecs links, and the global property FENDREL_CODEC_METHODS to NUMBER:NAME:LIBRARY
# for every method they decode (for the fuzz targets and the test of the registrations).
#
# The LZMA and PPMd decoders are C sources of the LZMA SDK that scripts/setup unpacks from
# Debian's source package of 7-Zip into the build tree. On Linux, libbz2 and libwavpack are
# Debian's packages, found by pkg-config; Debian has no MinGW packages of them, so the
# Windows build compiles their library sources, which scripts/build-windows unpacks from
# Debian's source packages bzip2 and wavpack into the build tree. None of it is committed.

# Fails with a message that says where the sources come from when FOLDER lacks a file.
function(fendrel_require_sources what folder variable origin)
  foreach(file IN LISTS ARGN)
    if(NOT EXISTS ${folder}/${file})
      message(FATAL_ERROR "The sources of ${what} are missing: there is no ${folder}/${file}. ${origin} "
                          "or set ${variable} to a folder that holds the upstream sources of that package.")
    endif()
  endforeach()
endfunction()

# Third-party code: its warnings are not ours to fix.
function(fendrel_third_party_library name folder)
  list(TRANSFORM ARGN PREPEND ${folder}/)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE -w)
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

set(FENDREL_SOURCES_FROM_BUILD_WINDOWS
    "Run scripts/build-windows, which unpacks them from Debian's source package (scripts/debian-source),")

# Each library's recipe: fendrel_codec_library_NAME (NAME as a C identifier) makes the library
# or finds it and sets FENDREL_CODEC_LIBRARY to the target fendrel_codecs links.

# The LZMA SDK's decoders, compiled on every platform.
function(fendrel_codec_library_lzma_sdk)
  set(FENDREL_LZMA_SDK_DIR ${PROJECT_SOURCE_DIR}/build/third_party/lzma-sdk CACHE PATH
      "Folder holding the LZMA SDK's C/ folder (scripts/setup puts it into build/third_party/lzma-sdk)")
  set(FENDREL_LZMA_SDK_SOURCES C/LzmaDec.c C/Ppmd8.c C/Ppmd8Dec.c)
  fendrel_require_sources("the LZMA SDK decoders" ${FENDREL_LZMA_SDK_DIR} FENDREL_LZMA_SDK_DIR
    "Run scripts/setup, which unpacks them from Debian's source package of 7-Zip,"
    ${FENDREL_LZMA_SDK_SOURCES} C/LzmaDec.h C/Ppmd8.h C/Ppmd.h C/7zTypes.h)
  fendrel_third_party_library(fendrel_lzma_sdk ${FENDREL_LZMA_SDK_DIR} ${FENDREL_LZMA_SDK_SOURCES})
  target_include_directories(fendrel_lzma_sdk SYSTEM PUBLIC ${FENDREL_LZMA_SDK_DIR}/C)
  set(FENDREL_CODEC_LIBRARY fendrel_lzma_sdk PARENT_SCOPE)
endfunction()

# libbz2: Debian's package on Linux; for Windows the library's files of the package's Makefile.
function(fendrel_codec_library_bzip2)
  if(NOT WIN32)
    find_package(BZip2 REQUIRED)
    set(FENDREL_CODEC_LIBRARY BZip2::BZip2 PARENT_SCOPE)
    return()
  endif()
  set(FENDREL_BZIP2_DIR ${PROJECT_SOURCE_DIR}/build/third_party/bzip2 CACHE PATH
      "Folder holding the sources of libbz2 (scripts/build-windows puts them into build/third_party/bzip2)")
  set(FENDREL_BZIP2_SOURCES blocksort.c huffman.c crctable.c randtable.c compress.c decompress.c bzlib.c)
  fendrel_require_sources(libbz2 ${FENDREL_BZIP2_DIR} FENDREL_BZIP2_DIR "${FENDREL_SOURCES_FROM_BUILD_WINDOWS}"
    ${FENDREL_BZIP2_SOURCES} bzlib.h bzlib_private.h)
  fendrel_third_party_library(fendrel_bzip2 ${FENDREL_BZIP2_DIR} ${FENDREL_BZIP2_SOURCES})
  target_include_directories(fendrel_bzip2 SYSTEM PUBLIC ${FENDREL_BZIP2_DIR})
  # Without BZ_EXPORT the header declares, on Windows, pointers to be filled from a DLL at
  # run time instead of the functions of the static library.
  target_compile_definitions(fendrel_bzip2 PUBLIC BZ_EXPORT)
  set(FENDREL_CODEC_LIBRARY fendrel_bzip2 PARENT_SCOPE)
endfunction()

# libwavpack: Debian's package on Linux. For Windows, of the package's library files, those
# that open a stream and decode it, with DSD audio as Debian builds it and without the
# decoder of files older than 4.0, as Debian leaves it out too. The encoder, opening by file
# name or raw blocks, and the older reader interface are not needed. The C versions of the
# decorrelation passes serve, not the assembly ones.
function(fendrel_codec_library_wavpack)
  if(NOT WIN32)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(WAVPACK REQUIRED IMPORTED_TARGET wavpack)
    set(FENDREL_CODEC_LIBRARY PkgConfig::WAVPACK PARENT_SCOPE)
    return()
  endif()
  set(FENDREL_WAVPACK_DIR ${PROJECT_SOURCE_DIR}/build/third_party/wavpack CACHE PATH
      "Folder holding the sources of libwavpack (scripts/build-windows puts them into build/third_party/wavpack)")
  set(FENDREL_WAVPACK_SOURCES
      src/common_utils.c src/decorr_utils.c src/entropy_utils.c src/open_utils.c src/read_words.c src/tags.c
      src/tag_utils.c src/unpack.c src/unpack_floats.c src/unpack_seek.c src/unpack_utils.c src/unpack_dsd.c)
  fendrel_require_sources(libwavpack ${FENDREL_WAVPACK_DIR} FENDREL_WAVPACK_DIR "${FENDREL_SOURCES_FROM_BUILD_WINDOWS}"
    ${FENDREL_WAVPACK_SOURCES} src/wavpack_local.h include/wavpack.h)
  fendrel_third_party_library(fendrel_wavpack ${FENDREL_WAVPACK_DIR} ${FENDREL_WAVPACK_SOURCES})
  target_compile_definitions(fendrel_wavpack PRIVATE ENABLE_DSD HAVE___BUILTIN_CLZ)
  # The code includes <wavpack/wavpack.h>, as Debian installs it.
  configure_file(${FENDREL_WAVPACK_DIR}/include/wavpack.h ${CMAKE_BINARY_DIR}/third_party/include/wavpack/wavpack.h
                 COPYONLY)
  target_include_directories(fendrel_wavpack PRIVATE ${FENDREL_WAVPACK_DIR}/include)
  target_include_directories(fendrel_wavpack SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/third_party/include)
  set(FENDREL_CODEC_LIBRARY fendrel_wavpack PARENT_SCOPE)
endfunction()

# The list: fields name, methods, package, source, members, files (cmake/codec-libraries).
set(FENDREL_CODEC_LIST ${PROJECT_SOURCE_DIR}/cmake/codec-libraries)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${FENDREL_CODEC_LIST})
file(STRINGS ${FENDREL_CODEC_LIST} FENDREL_CODEC_LINES REGEX "^[ \t]*[^# \t]")
set(FENDREL_CODEC_LIBRARIES)
set_property(GLOBAL PROPERTY FENDREL_CODEC_METHODS)
foreach(line IN LISTS FENDREL_CODEC_LINES)
  string(REGEX MATCHALL "[^ \t]+" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 methods)
  string(MAKE_C_IDENTIFIER ${name} recipe)
  if(NOT COMMAND fendrel_codec_library_${recipe})
    message(FATAL_ERROR "cmake/codec-libraries lists ${name}, but cmake/ThirdPartyCodecs.cmake has no "
                        "fendrel_codec_library_${recipe} that builds or finds it.")
  endif()
  cmake_language(CALL fendrel_codec_library_${recipe})
  list(APPEND FENDREL_CODEC_LIBRARIES ${FENDREL_CODEC_LIBRARY})
  string(REPLACE "," ";" methods ${methods})
  foreach(method IN LISTS methods)
    set_property(GLOBAL APPEND PROPERTY FENDREL_CODEC_METHODS ${method}:${name})
  endforeach()
endforeach()

# Hands the methods whose decoder is a library to a test program, as the definition
# FENDREL_CODEC_LIBRARY_METHODS (NUMBER:NAME:LIBRARY separated by commas), for the test that
# the codecs' registrations name the libraries of cmake/codec-libraries.
function(fendrel_pass_codec_library_methods target)
  get_property(methods GLOBAL PROPERTY FENDREL_CODEC_METHODS)
  list(JOIN methods "," methods)
  target_compile_definitions(${target} PRIVATE FENDREL_CODEC_LIBRARY_METHODS="${methods}")
endfunction()
