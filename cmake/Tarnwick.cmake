# Shared build settings and the helpers every subsystem folder uses.

if(MSVC)
    set(TARNWICK_WARNINGS /W4)
    if(TARNWICK_WERROR)
        list(APPEND TARNWICK_WARNINGS /WX)
    endif()
    # Sources are UTF-8, as GCC reads them; without this MSVC reads them in
    # the system code page (C4819 on a Japanese system). Double-byte texts
    # are byte escapes, so the execution character set changes nothing.
    add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:/utf-8>)
    # The .rc files embed the programs' manifests (common controls v6); a
    # second one from the linker is a duplicate resource (CVT1100), and the
    # MinGW build has none either.
    add_link_options(/MANIFEST:NO)
else()
    set(TARNWICK_WARNINGS -Wall -Wextra -Wshadow)
    if(TARNWICK_WERROR)
        list(APPEND TARNWICK_WARNINGS -Werror)
    endif()
endif()

if(WIN32)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    if(MINGW)
        # One self-contained executable: no libstdc++/libgcc/winpthread DLLs.
        add_link_options(-static -static-libgcc -static-libstdc++)
    endif()
elseif(TARNWICK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# tarnwick_library(<name> PORTABLE <files> WIN32_SOURCES <files>
#                  DEPS <libraries> WIN32_LIBS <system libraries>)
# One static library per subsystem folder. PORTABLE sources build in both
# trees; WIN32_SOURCES only for Windows.
function(tarnwick_library name)
    cmake_parse_arguments(A "" "" "PORTABLE;WIN32_SOURCES;DEPS;WIN32_LIBS" ${ARGN})
    set(sources ${A_PORTABLE})
    if(WIN32)
        list(APPEND sources ${A_WIN32_SOURCES})
    endif()
    if(NOT sources)
        # Nothing to build in this tree: the name still passes on the
        # include path and the dependencies.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${A_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
    target_link_libraries(${name} PUBLIC ${A_DEPS})
    if(WIN32)
        target_link_libraries(${name} PUBLIC ${A_WIN32_LIBS})
    endif()
endfunction()

include(GoogleTest)

# tarnwick_tests(<name> PORTABLE <files> WIN32_SOURCES <files> DEPS <libs>
#                [GUI])
# One GoogleTest executable per subsystem. Natively it holds the portable
# tests; for Windows both kinds, run through Wine in the test prefix when
# cross-built, one ctest entry per test case. GUI marks executables that
# open windows (they need the test display). Without tests (TARNWICK_WITH_TESTS off) it makes nothing: code
# after it asks if(TARGET <name>).
function(tarnwick_tests name)
    cmake_parse_arguments(A "GUI" "" "PORTABLE;WIN32_SOURCES;DEPS" ${ARGN})
    set(sources ${A_PORTABLE})
    if(WIN32)
        list(APPEND sources ${A_WIN32_SOURCES})
    endif()
    if(NOT sources OR NOT TARNWICK_WITH_TESTS)
        return()
    endif()
    add_executable(${name} ${sources})
    target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${A_DEPS} tarnwick_testing GTest::gtest)
    target_compile_definitions(${name} PRIVATE
        TARNWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TARNWICK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    # One ctest entry per test case, named <program>.<Suite>.<Case>, so that
    # a failure is reported by its name and a case that hangs meets its own
    # time limit while the rest of its program still runs.
    gtest_add_tests(TARGET ${name} SOURCES ${sources} EXTRA_ARGS --gtest_color=no
                    TEST_PREFIX "${name}." TEST_LIST cases)
    if(NOT cases)
        return()
    endif()
    set_tests_properties(${cases} PROPERTIES TIMEOUT 600 LABELS ${name})
    if(WIN32 AND CMAKE_HOST_UNIX)
        set_tests_properties(${cases} PROPERTIES FIXTURES_REQUIRED wineprefix)
    endif()
endfunction()

# tarnwick_test_support(<name> SOURCES <files> DEPS <libraries>)
# A static library of test support that the test programs of several
# folders link; made only where those programs are (Windows, with tests).
function(tarnwick_test_support name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT WIN32 OR NOT TARNWICK_WITH_TESTS)
        return()
    endif()
    add_library(${name} STATIC ${A_SOURCES})
    target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_definitions(${name} PRIVATE
        TARNWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TARNWICK_BINARY_DIR="${PROJECT_BINARY_DIR}")
    target_link_libraries(${name} PUBLIC ${A_DEPS} tarnwick_testing GTest::gtest)
endfunction()

# tarnwick_fuzzer(<name> SOURCES <files> DEPS <libraries> CORPUS <folders>)
# A fuzz target (LLVMFuzzerTestOneInput) for a parser of untrusted bytes.
# Natively it always becomes <name>_replay, a ctest that runs the corpus and
# a fixed number of mutated inputs under the sanitizers; with clang and
# TARNWICK_LIBFUZZER it also becomes a libFuzzer executable <name>. Nothing
# without tests.
option(TARNWICK_LIBFUZZER "Build libFuzzer executables (clang only)" OFF)
if(TARNWICK_LIBFUZZER AND CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND NOT WIN32)
    # Coverage for the libraries under test too, not only for the target's
    # own file: without it libFuzzer sees no new paths and cannot evolve.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
function(tarnwick_fuzzer name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS;CORPUS" ${ARGN})
    if(WIN32 OR NOT TARNWICK_WITH_TESTS)
        return()
    endif()
    add_executable(${name}_replay ${A_SOURCES} ${PROJECT_SOURCE_DIR}/testing/FuzzDriver.cpp)
    target_compile_options(${name}_replay PRIVATE ${TARNWICK_WARNINGS})
    target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name}_replay PRIVATE ${A_DEPS})
    add_test(NAME ${name}_replay COMMAND ${name}_replay ${A_CORPUS})
    if(TARNWICK_LIBFUZZER AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        add_executable(${name} ${A_SOURCES})
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE ${A_DEPS})
    endif()
endfunction()

# The product version lives in the file VERSION at the top of the tree: the
# version resource (through the generated TarnwickVersion.h) and the installer
# read it from there.
file(STRINGS ${PROJECT_SOURCE_DIR}/VERSION TARNWICK_VERSION LIMIT_COUNT 1)
if(NOT TARNWICK_VERSION MATCHES "^([0-9]+\\.[0-9]+)\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "VERSION must hold one line of four numbers, such as 1.0.0.2")
endif()
set(TARNWICK_VERSION_SHORT ${CMAKE_MATCH_1})
string(REPLACE "." "," TARNWICK_VERSION_COMMAS ${TARNWICK_VERSION})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/VERSION)
set(TARNWICK_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
set(TARNWICK_VERSION_HEADER ${TARNWICK_GENERATED_DIR}/TarnwickVersion.h)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TarnwickVersion.h.in ${TARNWICK_VERSION_HEADER} @ONLY)

# tarnwick_benchmark(<name> SOURCES <files> DEPS <libraries>)
# A Windows program that measures and prints ratios (run by the folder's
# benchmark/run-benchmark.sh); not a test. Built only where the tests are,
# with the same warnings.
function(tarnwick_benchmark name)
    cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT WIN32 OR NOT TARNWICK_WITH_TESTS)
        return()
    endif()
    add_executable(${name} ${A_SOURCES})
    target_compile_options(${name} PRIVATE ${TARNWICK_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${A_DEPS})
endfunction()
