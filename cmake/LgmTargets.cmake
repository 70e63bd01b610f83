# Helpers shared by every folder of the project.

# lgm_add_test(<name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>]
#              [LABELS <labels...>] [GUI])
# Builds a test program and registers it with CTest. GoogleTest programs are
# linked with gtest_main unless GUI is given (Qt Test brings its own main).
# Every test runs with the offscreen Qt platform, the C locale and a time-out.
function(lgm_add_test name)
    cmake_parse_arguments(T "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT LGM_BUILD_TESTS)
        return()
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    if(T_GUI)
        target_link_libraries(${name} PRIVATE Qt6::Test)
        list(APPEND T_LABELS gui)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LGM_SOURCE_DIR=${PROJECT_SOURCE_DIR};LGM_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# lgm_add_shared_library(<name> SOURCES <files...> [LIBS <targets...>])
# A shared library of the project with its public headers in include/.
function(lgm_add_shared_library name)
    cmake_parse_arguments(L "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} SHARED ${L_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_link_libraries(${name} PRIVATE ${L_LIBS})
    set_target_properties(${name} PROPERTIES
        VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endfunction()

function(lgm_add_folder dir)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
        add_subdirectory(${PROJECT_SOURCE_DIR}/${dir})
    endif()
endfunction()
