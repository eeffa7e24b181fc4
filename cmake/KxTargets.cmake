# Warning flags shared by every target of the project.
function(kx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Woverloaded-virtual)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports std::string concatenation as overlapping copies when optimising (a known
    # false positive of that release).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(KX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# kx_library(<name> SOURCES ... DEPS ...): a static library kx_<name> with the alias Korvalinx::<name>.
# Headers are included as "folder/file.hpp" relative to src/.
function(kx_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(kx_${name} STATIC ${ARG_SOURCES})
  add_library(Korvalinx::${name} ALIAS kx_${name})
  target_include_directories(kx_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(kx_${name} PUBLIC ${ARG_DEPS})
  kx_warnings(kx_${name})
endfunction()

# kx_test(<name> SOURCES ... DEPS ...): a GoogleTest program registered with CTest.
function(kx_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KX_FIXTURES_DIR="${KX_FIXTURES_DIR}"
    KX_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
    KX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  kx_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# kx_qt_test(<name> SOURCES ... DEPS ...): a Qt Test program registered with CTest; it runs on
# the offscreen platform, so no screen is needed.
function(kx_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    KX_FIXTURES_DIR="${KX_FIXTURES_DIR}"
    KX_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples"
    KX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  kx_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
