# HTTP download: the client, compressed bodies, the setup downloader and the Internet check,
# against the test HTTP server on 127.0.0.1 (tools/httpserver), started once for the run.
set(HTTP_SERVER_STATE ${TEST_AREA}/httpserver)
add_test(NAME http_server_start COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/httpserver/http_test_server.py
         --daemon --state-dir ${HTTP_SERVER_STATE} --fixtures ${HTTP_SERVER_STATE}/files --lifetime 3000)
add_test(NAME http_server_stop COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/httpserver/http_test_server.py
         --stop --state-dir ${HTTP_SERVER_STATE})
set_tests_properties(http_server_start PROPERTIES FIXTURES_SETUP http_server)
set_tests_properties(http_server_stop PROPERTIES FIXTURES_CLEANUP http_server)

add_library(httptestsupport STATIC common/HttpTestServer.cpp)
target_link_libraries(httptestsupport PUBLIC testsupport ws2_32)

# vantolin_http_test(name SOURCES ... [LIBS ...] [LOCKS ...]): a test that talks to the server.
function(vantolin_http_test name)
    cmake_parse_arguments(H "" "" "SOURCES;LIBS;LOCKS" ${ARGN})
    vantolin_test(${name} SOURCES ${H_SOURCES} LIBS httptestsupport ${H_LIBS} LOCKS ${H_LOCKS})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED http_server)
endfunction()

vantolin_http_test(HttpDownloader_unittest SOURCES ../download/HttpDownloader_unittest.cpp LIBS download)

vantolin_http_test(CheckInternetConnection_unittest SOURCES ../workers/CheckInternetConnection_unittest.cpp LIBS workers)

# Signing (tools/signing): the signed fixtures are served from the server's files folder, and the
# programs that check signatures are signed with certificate "a" themselves.
set(SIGNED_FIXTURES ${HTTP_SERVER_STATE}/files/signed_same.exe ${HTTP_SERVER_STATE}/files/signed_other.exe
    ${HTTP_SERVER_STATE}/files/signed_twin.exe ${HTTP_SERVER_STATE}/files/unsigned.exe
    ${HTTP_SERVER_STATE}/files/tampered.exe ${HTTP_SERVER_STATE}/files/appended.exe)
add_custom_command(OUTPUT ${SIGNED_FIXTURES}
                   COMMAND bash ${SIGNING_SH} fixtures ${SIGNING_DIR} $<TARGET_FILE:StandIn> ${HTTP_SERVER_STATE}/files
                   DEPENDS ${SIGNING_KEYS} StandIn ${SIGNING_SH})
add_custom_target(signing_fixtures ALL DEPENDS ${SIGNED_FIXTURES})
# The signing tests read the rule of a signed controller whose own signature cannot be verified.
set(DAMAGED_CONTROLLERS ${TEST_AREA}/fixtures/damaged/altered/VantolinSetupXP.exe
    ${TEST_AREA}/fixtures/damaged/appended/VantolinSetupXP.exe)
add_custom_command(OUTPUT ${DAMAGED_CONTROLLERS}
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:VantolinSetup> ${TEST_AREA}/fixtures/damaged/signed.exe
                   COMMAND bash ${SIGNING_SH} sign ${SIGNING_DIR} a ${TEST_AREA}/fixtures/damaged/signed.exe
                   COMMAND bash ${SIGNING_SH} damaged ${TEST_AREA}/fixtures/damaged/signed.exe ${TEST_AREA}/fixtures/damaged
                           VantolinSetupXP.exe
                   DEPENDS VantolinSetup ${SIGNING_KEYS} ${SIGNING_SH})
add_custom_target(damaged_controllers ALL DEPENDS ${DAMAGED_CONTROLLERS})

vantolin_http_test(EmbeddedSignature_unittest SOURCES ../download/EmbeddedSignature_unittest.cpp LIBS download)
vantolin_signed_program(EmbeddedSignature_unittest)
add_dependencies(EmbeddedSignature_unittest signing_fixtures damaged_controllers)
vantolin_http_test(OruHttpDownloader_unittest SOURCES ../download/OruHttpDownloader_unittest.cpp
                   ../download/OruHttpDownloader_unittest.rc LIBS download)
set_property(SOURCE ../download/OruHttpDownloader_unittest.rc APPEND PROPERTY OBJECT_DEPENDS ${WIZARD_ENGLISH_FILES})
vantolin_signed_program(OruHttpDownloader_unittest)
add_dependencies(OruHttpDownloader_unittest signing_fixtures)
# Writes the per-user proxy of the prefix.
vantolin_http_test(CheckInternet_unittest SOURCES ../workers/CheckInternet_unittest.cpp LIBS workers LOCKS user_internet_settings)
# Stops every worker mid-wait; ocsetup.exe's stand-in in the system folder is shared with
# Workers_unittest.
vantolin_http_test(WorkerStop_e2etest SOURCES ../workers/WorkerStop_e2etest.cpp
                   LIBS workers download LOCKS ocsetup_standin)
add_dependencies(WorkerStop_e2etest standin_fixtures)
