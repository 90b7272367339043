# vxImage.DLL, the in-process COM server for Windows, from the same object/, gdi/ and
# module/ sources as the Linux library, on the real Windows API: nothing of platform/ goes
# in. Cross-compiled with mingw-w64 (cmake/mingw-x86.cmake or mingw-x64.cmake) against the
# static libjpeg-turbo, libpng and lcms2 that scripts/windows_deps.sh builds, with the C and C++
# runtimes linked in, so that the DLL is one self-contained file. Beside it, the programs
# that test it under Wine. scripts/windows.sh configures, builds and runs all of this.
enable_language(RC)

set(VXIMAGE_WINDOWS_DEPS "" CACHE PATH "Prefix of the cross-built libjpeg-turbo, libpng and lcms2 (include/, lib/)")
set(VXIMAGE_IDL_INCLUDE /usr/include/wine/wine/windows CACHE PATH "Folder of oaidl.idl for widl")
set(VXIMAGE_IDL_LIBRARY /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder of stdole2.tlb for widl")
foreach(library libjpeg.a libpng16.a liblcms2.a)
  if(NOT EXISTS ${VXIMAGE_WINDOWS_DEPS}/lib/${library})
    message(FATAL_ERROR "No ${library} under VXIMAGE_WINDOWS_DEPS='${VXIMAGE_WINDOWS_DEPS}': run scripts/windows_deps.sh")
  endif()
endforeach()
find_program(VXIMAGE_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
find_library(VXIMAGE_ZLIB NAMES libz.a REQUIRED)

# The type library (resource TYPELIB 1) and, for the C++ client, the header of the same
# IDL, made by widl for the pointer size of the target.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(widl_target --win32)
else()
  set(widl_target --win64)
endif()
set(generated ${PROJECT_BINARY_DIR}/generated)
set(idl ${PROJECT_SOURCE_DIR}/module/vximage.idl)
set(widl_command ${VXIMAGE_WIDL} ${widl_target} -I ${VXIMAGE_IDL_INCLUDE} -L ${VXIMAGE_IDL_LIBRARY})
add_custom_command(OUTPUT ${generated}/vximage.tlb ${generated}/vximage_h.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}
  COMMAND ${widl_command} -t -o ${generated}/vximage.tlb ${idl}
  COMMAND ${widl_command} -h -o ${generated}/vximage_h.h ${idl}
  DEPENDS ${idl}
  COMMENT "widl: vximage.tlb and vximage_h.h")
add_custom_target(vximage_idl DEPENDS ${generated}/vximage.tlb ${generated}/vximage_h.h)

set(resources ${PROJECT_SOURCE_DIR}/module/vximage.rc)
set_source_files_properties(${resources} PROPERTIES OBJECT_DEPENDS
  "${generated}/vximage.tlb;${PROJECT_SOURCE_DIR}/module/vximage.rgs;${PROJECT_SOURCE_DIR}/module/shadow_mask.bmp;${PROJECT_SOURCE_DIR}/module/resource.h")

# Windows 7 and later; wide-character API names.
set(windows_definitions UNICODE _UNICODE _WIN32_WINNT=0x0601)
set(windows_system_libraries gdi32 user32 advapi32 ole32 oleaut32 uuid)
# The C and C++ runtimes inside the module: it must load with nothing beside it.
set(static_runtime -static -static-libgcc -static-libstdc++)

# The layers the DLL is made of, without platform/: the SDK shims of tools/winsdk-shim/
# stand where its headers stand on Linux (ahead of everything on the include path), so the
# same #include "platform/gdi.h" reaches <windows.h>. Sources ending in _posix.cpp are for
# the other systems.
set(view ${PROJECT_BINARY_DIR}/layer_view)
file(MAKE_DIRECTORY ${view})
set(dll_sources)
foreach(layer base gdi object module)
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${view}/${layer} SYMBOLIC)
  file(GLOB layer_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${layer}/*.cpp)
  list(FILTER layer_sources EXCLUDE REGEX "_posix\\.cpp$")
  list(APPEND dll_sources ${layer_sources})
endforeach()
set(windows_includes ${PROJECT_SOURCE_DIR}/tools/winsdk-shim ${view})

add_library(vximage_dll SHARED ${dll_sources} ${resources} ${PROJECT_SOURCE_DIR}/module/vximage.def)
add_dependencies(vximage_dll vximage_idl)
# build/windows/<arch>/vxImage.DLL, the file a user copies.
set_target_properties(vximage_dll PROPERTIES OUTPUT_NAME vxImage PREFIX "" SUFFIX ".DLL"
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR} ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/lib)
target_include_directories(vximage_dll PRIVATE ${windows_includes} ${PROJECT_SOURCE_DIR}/module ${generated})
target_include_directories(vximage_dll SYSTEM PRIVATE ${VXIMAGE_WINDOWS_DEPS}/include)
target_compile_definitions(vximage_dll PRIVATE ${windows_definitions})
target_compile_options(vximage_dll PRIVATE -Werror)
target_link_libraries(vximage_dll PRIVATE ${VXIMAGE_WINDOWS_DEPS}/lib/libjpeg.a
  ${VXIMAGE_WINDOWS_DEPS}/lib/libpng16.a ${VXIMAGE_WINDOWS_DEPS}/lib/liblcms2.a ${VXIMAGE_ZLIB}
  ${windows_system_libraries})
# The .def names the exports undecorated; on x86 they are __stdcall (DllCanUnloadNow@0).
target_link_options(vximage_dll PRIVATE ${static_runtime} -Wl,--enable-stdcall-fixup)

# Test programs for Wine (scripts/windows.sh runs them).
add_executable(registrar_test ${PROJECT_SOURCE_DIR}/tests/windows/registrar_test.cpp
  ${PROJECT_SOURCE_DIR}/module/registrar_windows.cpp ${PROJECT_SOURCE_DIR}/module/registration_script.cpp)
add_executable(client ${PROJECT_SOURCE_DIR}/tests/windows/client.cpp)
add_dependencies(client vximage_idl)
target_include_directories(client PRIVATE ${generated})
target_link_options(client PRIVATE -municode)
foreach(program registrar_test client)
  target_include_directories(${program} PRIVATE ${windows_includes} ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${program} PRIVATE ${windows_definitions})
  target_link_libraries(${program} PRIVATE ${windows_system_libraries})
  target_link_options(${program} PRIVATE ${static_runtime})
endforeach()
