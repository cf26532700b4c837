# The fuzz targets' sources, for the fuzzers (tests/fuzz/CMakeLists.txt) and
# for the test that replays their kept inputs (tests/CMakeLists.txt).
# A target <name> lives in <name>_fuzz.cpp and in FuzzTargets.h's kTargets.
set(VARNISK_FUZZ_TARGET_NAMES exe savedstate archive datasets backup store winereg shape image journal)
set(VARNISK_FUZZ_SOURCES ${VARNISK_FUZZ_TARGET_NAMES})
list(TRANSFORM VARNISK_FUZZ_SOURCES APPEND _fuzz.cpp)
list(APPEND VARNISK_FUZZ_SOURCES FuzzSupport.cpp)
list(TRANSFORM VARNISK_FUZZ_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
