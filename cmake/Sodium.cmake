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
