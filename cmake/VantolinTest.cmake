# Test programs: gtest programs run under Wine through ctest, in the project's hardened prefix.
# Each folder's CMakeLists.txt registers its own tests with these helpers; tests/ builds the test
# support libraries (tests/common) and holds the harness checks and the test server's run.

# Only the test programs run through the Wine harness: the build's own programs stay plain targets.
set(VANTOLIN_TEST_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine/winerun.sh)

# vantolin_test(name SOURCES ... [LIBS ...] [LOCKS ...]): one gtest program, one ctest entry.
function(vantolin_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCKS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${VANTOLIN_TEST_EMULATOR})
    target_link_libraries(${name} PRIVATE testsupport ${T_LIBS} gtest_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${TEST_AREA}/bin
                         ENVIRONMENT "BUILD_DIR=${CMAKE_BINARY_DIR}")
    if(T_LOCKS)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCKS}")
    endif()
endfunction()

# The test HTTP server on 127.0.0.1 (tools/httpserver), started once for the run by the fixture
# http_server (tests/CMakeLists.txt); what it serves lives in its files folder.
set(HTTP_SERVER_STATE ${TEST_AREA}/httpserver)

# vantolin_http_test(name SOURCES ... [LIBS ...] [LOCKS ...]): a test that talks to the server.
function(vantolin_http_test name)
    cmake_parse_arguments(H "" "" "SOURCES;LIBS;LOCKS" ${ARGN})
    vantolin_test(${name} SOURCES ${H_SOURCES} LIBS httptestsupport ${H_LIBS} LOCKS ${H_LOCKS})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED http_server)
endfunction()

# The program's English string table and pages for test programs whose code loads its texts
# (tests/common/strings_en_test.rc), and what a .rc that includes it depends on.
file(GLOB WIZARD_ENGLISH_GROUP_FILES ${CMAKE_SOURCE_DIR}/wizard/lang/*/en-US.rc ${CMAKE_SOURCE_DIR}/wizard/lang/*/Templates.rc
     ${CMAKE_SOURCE_DIR}/wizard/resource_*.h)
set(WIZARD_ENGLISH_FILES ${CMAKE_SOURCE_DIR}/tests/common/strings_en_test.rc ${CMAKE_SOURCE_DIR}/wizard/resource.h
    ${CMAKE_SOURCE_DIR}/wizard/lang/Templates.rc ${CMAKE_SOURCE_DIR}/wizard/lang/en-US.rc ${WIZARD_ENGLISH_GROUP_FILES})
