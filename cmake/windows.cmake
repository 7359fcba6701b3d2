# The Windows build (cross-compiled with MinGW-w64, see
# mingw-w64-x86_64.cmake): one statically linked binario.exe, Debian's
# header-only libraries without the host's /usr/include, and GoogleTest built
# from Debian's source package for the tests, which run under Wine.

# One file, no DLL beside it: the C++ runtime and winpthreads linked in.
add_link_options(-static -static-libgcc -static-libstdc++)
# GCC 12 at -O3 (Release) warns of an overlapping copy inside std::string's
# operator+ that cannot happen (GCC bug 105329).
add_compile_options(-Wno-restrict)
# The Win32 API in its wide-character form; nothing of min/max macros.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# CLI11 and nlohmann-json are header-only. Putting /usr/include on the MinGW
# include path would put the host's C library headers before MinGW's, so a
# staging folder in the build holds links to just those two header folders.
set(BINARIO_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${BINARIO_HOST_HEADERS})
foreach(header_dir CLI nlohmann)
  if(NOT EXISTS /usr/include/${header_dir})
    message(FATAL_ERROR "/usr/include/${header_dir} is missing: run .ci/install-deps")
  endif()
  file(CREATE_LINK /usr/include/${header_dir} ${BINARIO_HOST_HEADERS}/${header_dir} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${BINARIO_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${BINARIO_HOST_HEADERS})

# GoogleTest from Debian's source package, built with this compiler. Its code
# is not ours: built without our warning flags.
if(BINARIO_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(gtest_target gtest gtest_main)
    set_target_properties(${gtest_target} PROPERTIES COMPILE_OPTIONS "-w")
  endforeach()
  set(GTest_FOUND TRUE)
endif()

# The tests of a cross build run under Wine, which shows the build machine's
# root as drive Z:. The source folder and the program are named to them
# through it.
if(CMAKE_CROSSCOMPILING)
  set(BINARIO_TEST_PATH_PREFIX "Z:")
endif()

# The tests that cannot run on Windows: the FLTK window is the Linux one, and
# the program's refusal of FIFOs and endless devices is shown with POSIX ones
# (the Windows file layer's refusal of what is not a disk file is in
# bounded_read_test).
set(BINARIO_LINUX_ONLY_TESTS fltk_ui_test bounded_input_test)

# Google Benchmark is not built for MinGW.
set(BINARIO_BENCH OFF)
