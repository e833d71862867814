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

add_library(internet_check STATIC ../workers/CheckInternetConnection.cpp)
target_link_libraries(internet_check PUBLIC download)
vantolin_http_test(CheckInternetConnection_unittest SOURCES ../workers/CheckInternetConnection_unittest.cpp LIBS internet_check)
