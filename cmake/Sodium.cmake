# libsodium, for the signatures of update archives. Sets FENDREL_SODIUM_LIBRARY to what
# fendrel_signature links.
#
# On Linux it is Debian's package, found by pkg-config. Debian has no MinGW package of it,
# so the Windows build compiles the parts it needs (Ed25519, SHA-512, the random source,
# base64 and the library's start-up) from the upstream sources of Debian's source package
# libsodium, which scripts/build-windows unpacks into the build tree. None of it is committed.
if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET GLOBAL libsodium)
  set(FENDREL_SODIUM_LIBRARY PkgConfig::SODIUM)
  return()
endif()

# The library's C sources as Debian ships them, compiled whole into a static library (the
# program links only what it calls). The settings are those its own configuration finds for
# MinGW-w64 on x86-64: a little-endian machine with 128-bit integers; the code paths for
# vector instructions are left out, the portable ones serve.
set(FENDREL_SODIUM_DIR ${PROJECT_SOURCE_DIR}/build/third_party/libsodium CACHE PATH
    "Folder holding the sources of libsodium (scripts/build-windows puts them into build/third_party/libsodium)")
fendrel_require_sources(libsodium ${FENDREL_SODIUM_DIR} FENDREL_SODIUM_DIR
  "Run scripts/build-windows, which unpacks them from Debian's source package (scripts/debian-source),"
  configure.ac src/libsodium/sodium/core.c src/libsodium/include/sodium.h src/libsodium/include/sodium/version.h.in)

# The version header, made from its template with the numbers of the package's configure.ac.
file(STRINGS ${FENDREL_SODIUM_DIR}/configure.ac FENDREL_SODIUM_INIT REGEX "^AC_INIT\\(")
string(REGEX REPLACE "^AC_INIT\\(\\[libsodium\\],\\[([^]]*)\\].*" "\\1" VERSION "${FENDREL_SODIUM_INIT}")
file(STRINGS ${FENDREL_SODIUM_DIR}/configure.ac FENDREL_SODIUM_MAJOR REGEX "^SODIUM_LIBRARY_VERSION_MAJOR=")
string(REGEX REPLACE "^[^=]*=" "" SODIUM_LIBRARY_VERSION_MAJOR "${FENDREL_SODIUM_MAJOR}")
file(STRINGS ${FENDREL_SODIUM_DIR}/configure.ac FENDREL_SODIUM_MINOR REGEX "^SODIUM_LIBRARY_VERSION_MINOR=")
string(REGEX REPLACE "^[^=]*=" "" SODIUM_LIBRARY_VERSION_MINOR "${FENDREL_SODIUM_MINOR}")
set(SODIUM_LIBRARY_MINIMAL_DEF "")
set(FENDREL_SODIUM_GENERATED ${CMAKE_BINARY_DIR}/third_party/sodium-include)
configure_file(${FENDREL_SODIUM_DIR}/src/libsodium/include/sodium/version.h.in
               ${FENDREL_SODIUM_GENERATED}/sodium/version.h @ONLY)
# Beside it, the one header it includes from its own folder.
configure_file(${FENDREL_SODIUM_DIR}/src/libsodium/include/sodium/export.h ${FENDREL_SODIUM_GENERATED}/sodium/export.h
               COPYONLY)

file(GLOB_RECURSE FENDREL_SODIUM_SOURCES ${FENDREL_SODIUM_DIR}/src/libsodium/*.c)
add_library(fendrel_sodium STATIC ${FENDREL_SODIUM_SOURCES})
target_compile_options(fendrel_sodium PRIVATE -w)
target_compile_definitions(fendrel_sodium PRIVATE CONFIGURED=1 NATIVE_LITTLE_ENDIAN=1 HAVE_TI_MODE=1)
target_compile_definitions(fendrel_sodium PUBLIC SODIUM_STATIC=1)
# The generated version header comes first, so the template's folder never shadows it.
target_include_directories(fendrel_sodium BEFORE PRIVATE ${FENDREL_SODIUM_GENERATED}/sodium
                           ${FENDREL_SODIUM_DIR}/src/libsodium/include/sodium)
target_include_directories(fendrel_sodium SYSTEM PUBLIC ${FENDREL_SODIUM_GENERATED}
                           ${FENDREL_SODIUM_DIR}/src/libsodium/include)
# The random source is the system's (RtlGenRandom, in advapi32).
target_link_libraries(fendrel_sodium PUBLIC advapi32)
set(FENDREL_SODIUM_LIBRARY fendrel_sodium)
