# The Windows build (cross-compiled with mingw-w64): the layers below the
# window, the Win32 services, the COM automation backend, the headless
# quillmax.exe and the Windows test program, which runs under Wine on Linux
# (make windows-test) or natively.

target_link_libraries(quillmax_win32 PUBLIC advapi32 shell32 ole32)
target_link_libraries(quillmax_com PUBLIC ole32 oleaut32 uuid user32 gdi32)

add_executable(quillmax src/cli/quillmax_main.cpp src/cli/host_win32.cpp)
target_link_libraries(quillmax PRIVATE quillmax_app quillmax_com)
target_compile_definitions(quillmax PRIVATE QUILLMAX_VERSION="${PROJECT_VERSION}")

if(QUILLMAX_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/windows)
endif()
