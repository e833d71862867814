# Delay-load import libraries for the system libraries that are not known DLLs on every supported
# Windows: linked through these, a library is loaded at its first call by the delay-load hook of
# classlib/SystemLibrary.cpp, from the system folder, instead of by the loader at start, which
# would look in the program's own folder first. Each library's exports are taken from
# mingw-w64's import library, so the delay-load library offers the same functions.
#
# vantolin_delay_load(<name>...) makes the imported target delayload::<name> for lib<name>.a.

set(DELAY_LOAD_DIR ${CMAKE_BINARY_DIR}/delayload)
file(MAKE_DIRECTORY ${DELAY_LOAD_DIR})
find_program(VANTOLIN_NM NAMES ${TOOLCHAIN_PREFIX}-nm REQUIRED)
find_program(VANTOLIN_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)
find_program(VANTOLIN_OBJCOPY NAMES ${TOOLCHAIN_PREFIX}-objcopy REQUIRED)

function(vantolin_delay_load)
    foreach(name IN LISTS ARGN)
        find_library(IMPORT_LIB_${name} NAMES lib${name}.a REQUIRED)
        set(def ${DELAY_LOAD_DIR}/${name}.def)
        set(lib ${DELAY_LOAD_DIR}/lib${name}_delay.a)
        execute_process(COMMAND ${VANTOLIN_NM} ${IMPORT_LIB_${name}} OUTPUT_VARIABLE symbols
                        COMMAND_ERROR_IS_FATAL ANY)
        # Every function the import library offers, with its stdcall decoration for the link.
        string(REGEX MATCHALL "I __imp__[^\n]+" imports "${symbols}")
        list(TRANSFORM imports REPLACE "^I __imp__" "")
        list(REMOVE_DUPLICATES imports)
        list(JOIN imports "\n" exports)
        file(WRITE ${def}.new "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
        file(COPY_FILE ${def}.new ${def} ONLY_IF_DIFFERENT)
        file(REMOVE ${def}.new)
        if(NOT EXISTS ${lib} OR ${def} IS_NEWER_THAN ${lib} OR ${CMAKE_CURRENT_FUNCTION_LIST_FILE} IS_NEWER_THAN ${lib})
            # --kill-at: the library exports the names without the decoration.
            execute_process(COMMAND ${VANTOLIN_DLLTOOL} --kill-at --input-def ${def} --dllname ${name}.dll
                                    --output-delaylib lib${name}_stubs.a
                            WORKING_DIRECTORY ${DELAY_LOAD_DIR} COMMAND_ERROR_IS_FATAL ANY)
            # GNU ld for i386 drops an import library's code section when the code calls the
            # function only through __imp_ (dllimport, as the system headers declare it), taking
            # it for a jump stub nobody needs; but the delay-load address table points there until
            # the first call. Marked as data, the stubs stay (they still land in .text).
            execute_process(COMMAND ${VANTOLIN_OBJCOPY} --rename-section .text=.text$dl,contents,alloc,load,readonly,data
                                    lib${name}_stubs.a lib${name}_delay.a
                            WORKING_DIRECTORY ${DELAY_LOAD_DIR} COMMAND_ERROR_IS_FATAL ANY)
            file(REMOVE ${DELAY_LOAD_DIR}/lib${name}_stubs.a)
        endif()
        add_library(delayload::${name} STATIC IMPORTED)
        set_target_properties(delayload::${name} PROPERTIES IMPORTED_LOCATION ${lib})
    endforeach()
endfunction()
