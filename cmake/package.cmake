# The download for Windows users, made by `cmake --build --preset win32
# --target package`: Velquorandimestra-<version>-win32.zip holding the
# program, vqf.exe with libical's time zone database (zoneinfo), a read-me, a
# sample document and the licence of each library that the two programs
# carry inside them (they link their runtimes and libical statically).

install(TARGETS Velquorandimestra RUNTIME DESTINATION .)
if(TARGET vqf)
  install(TARGETS vqf RUNTIME DESTINATION .)
endif()
# vqf.exe's calendar import: libical's time zone database beside it, and
# libical's licence (the choice of MPL 2.0 or LGPL 2.1, as its source says).
if(TARGET vq_libical)
  get_target_property(VQ_ZONEINFO vq_libical VQ_ZONEINFO)
  get_target_property(VQ_LIBICAL_LICENCE vq_libical VQ_LICENCE)
  install(DIRECTORY ${VQ_ZONEINFO} DESTINATION .)
  install(FILES ${VQ_LIBICAL_LICENCE} DESTINATION licenses RENAME libical.txt)
endif()

configure_file(${CMAKE_SOURCE_DIR}/res/readme.txt ${VQ_GENERATED}/readme.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${VQ_GENERATED}/readme.txt res/sample.vqf DESTINATION .)

# The licences as the toolchain's own packages state them: the mingw-w64
# runtime (with winpthreads), GCC's runtime libraries (libstdc++, libgcc, under
# the GCC Runtime Library Exception), and CLI11, the header-only library that
# reads vqf.exe's command line.
set(VQ_LICENCES
  mingw-w64-runtime /usr/share/doc/mingw-w64-common/copyright
  gcc-runtime /usr/share/doc/gcc-mingw-w64-base/copyright
  CLI11 /usr/share/doc/libcli11-dev/copyright)
while(VQ_LICENCES)
  list(POP_FRONT VQ_LICENCES name file)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "licence of ${name} not found: ${file}")
  endif()
  install(FILES ${file} DESTINATION licenses RENAME ${name}.txt)
endwhile()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
