# The tests of the Windows build: GoogleTest is compiled from the sources Debian ships
# (package googletest) inside the build tree, and each test program is one CTest test,
# run through the cross-compiling emulator (Wine).
set(FENDREL_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources, compiled for the Windows build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${FENDREL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own build names its targets GTest::gtest and so on.
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE -Wno-error)
endforeach()
