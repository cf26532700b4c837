# The tests of the Windows build, cross-compiled with mingw-w64 and run under
# Wine by CTest (tools/windows-tests.sh). GoogleTest is built from Debian's
# sources by the same compiler. The tests of what Windows has not (the
# offscreen preview, the program's own registry store and Wine's registry,
# the Linux desktop folders, POSIX file modes) stay with the Linux build.
find_package(GTest QUIET)
if(NOT GTest_FOUND)
  set(VARNISK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources, built with the project's compiler")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VARNISK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own code is not held to the project's warnings.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
endif()
include(GoogleTest)

include(${CMAKE_CURRENT_LIST_DIR}/../CoreTests.cmake)
add_executable(varnisk_tests
  ${VARNISK_CORE_TESTS}
  windows/WindowsFilesTest.cpp
)
target_link_libraries(varnisk_tests PRIVATE varnisk_cli_lib varnisk_gamegen varnisk_texgen GTest::gtest_main)
gtest_discover_tests(varnisk_tests DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST)

# The tests of Wine's real registry share its keys: they run one at a time,
# never beside each other or the CLI's registry test below.
add_executable(varnisk_registry_tests windows/WindowsRegistryTest.cpp)
target_link_libraries(varnisk_registry_tests PRIVATE varnisk_cli_lib GTest::gtest_main)
gtest_discover_tests(varnisk_registry_tests DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST
                     PROPERTIES RESOURCE_LOCK wine_registry)

# varnisk-cli.exe on a generated game, and the game's entry in Wine's real
# registry: written with `wine reg add`, read by varnisk-cli, written by it.
if(CMAKE_CROSSCOMPILING)
add_test(NAME windows_cli_and_registry
  COMMAND ${CMAKE_COMMAND} -E env VARNISK_CLI=$<TARGET_FILE:varnisk-cli>
          VARNISK_MAKE_GAME=$<TARGET_FILE:varnisk-make-game> VARNISK_WINE=${CMAKE_CROSSCOMPILING_EMULATOR}
          bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/cli_and_registry.sh)
set_tests_properties(windows_cli_and_registry PROPERTIES RESOURCE_LOCK wine_registry)
endif()
