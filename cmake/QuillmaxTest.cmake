# quillmax_add_test(NAME <name> DIR <tests/subdir> LIBS <libs...>)
# One GoogleTest program per test folder: every *_test.cpp below DIR (not in
# its sub-folders) goes into it; CTest lists each test case on its own.
function(quillmax_add_test)
  cmake_parse_arguments(QT "" "NAME;DIR" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${QT_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${QT_NAME} ${sources})
  target_link_libraries(${QT_NAME} PRIVATE quillmax_test_support ${QT_LIBS} GTest::gtest_main GTest::gmock)
  target_compile_definitions(${QT_NAME} PRIVATE
    QUILLMAX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QUILLMAX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${QT_NAME} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
