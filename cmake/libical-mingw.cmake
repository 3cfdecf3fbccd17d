# libical for the Windows builds, compiled once per build folder from
# Debian's own source package (the version libical-dev has on Linux):
# scripts/setup.sh fetches its .dsc and original tarball into build/sources,
# and the tarball is taken only when its SHA-256 is the one the .dsc lists.
# Built again only when the tarball changes.
#
# Defines the imported target vq_libical (libical.a with its headers), with
# the properties VQ_ZONEINFO, the built-in time zone database that vqf.exe
# reads from the zoneinfo folder beside itself, and VQ_LICENCE, libical's
# licence texts from the tarball. Without the source there is no target and
# vqf.exe is built without import, as said at configure time.
include_guard(GLOBAL)
include(ExternalProject)

set(VQ_LIBICAL_SOURCES ${CMAKE_SOURCE_DIR}/build/sources CACHE PATH
    "Folder with libical3_*.dsc and the original tarball it names (scripts/setup.sh fills it)")

function(vq_libical_from_debian_source)
  file(GLOB dscs ${VQ_LIBICAL_SOURCES}/libical3_*.dsc)
  list(LENGTH dscs count)
  if(count EQUAL 0)
    message(STATUS "vqf.exe import is not built: no libical source in ${VQ_LIBICAL_SOURCES} "
                   "(bash scripts/setup.sh fetches it with apt-get source --download-only libical3)")
    return()
  elseif(count GREATER 1)
    message(FATAL_ERROR "more than one libical source in ${VQ_LIBICAL_SOURCES}: ${dscs}")
  endif()
  file(STRINGS ${dscs} lines REGEX "^ [0-9a-f]+ [0-9]+ libical3_[^ ]*\\.orig\\.tar\\.[a-z0-9]+$")
  set(sha256 "")
  foreach(line IN LISTS lines)
    # The Checksums-Sha256 line: the only one with 64 hex digits.
    string(REGEX MATCH "^ ([0-9a-f]+) [0-9]+ (.*)$" ignored "${line}")
    string(LENGTH "${CMAKE_MATCH_1}" length)
    if(length EQUAL 64)
      set(sha256 ${CMAKE_MATCH_1})
      set(tarball ${VQ_LIBICAL_SOURCES}/${CMAKE_MATCH_2})
    endif()
  endforeach()
  if(NOT sha256)
    message(FATAL_ERROR "${dscs} lists no SHA-256 of an original tarball")
  endif()
  if(NOT EXISTS ${tarball})
    message(FATAL_ERROR "${tarball}, named by ${dscs}, is missing (bash scripts/setup.sh fetches it)")
  endif()
  file(SHA256 ${tarball} actual)
  if(NOT actual STREQUAL sha256)
    message(FATAL_ERROR "${tarball} has SHA-256 ${actual}, but ${dscs} lists ${sha256}: "
                        "remove both and run bash scripts/setup.sh")
  endif()
  string(REGEX REPLACE ".*/libical3_([^/]*)\\.orig\\.tar\\..*" "\\1" version ${tarball})

  set(prefix ${CMAKE_BINARY_DIR}/libical)
  set(installed ${prefix}/install)
  # The 32-bit runtime's time_t is 32 bits unless asked otherwise: libical
  # then stops its zones' rules at 2037 and its instants at 2038, where the
  # file holds minutes up to 2106. libical and everything that includes its
  # headers take the 64-bit time_t (the runtime has the functions for it).
  set(time64 -D__MINGW_USE_VC2005_COMPAT)
  ExternalProject_Add(libical_mingw
    URL ${tarball}
    URL_HASH SHA256=${sha256}
    DOWNLOAD_EXTRACT_TIMESTAMP TRUE
    PREFIX ${prefix}
    INSTALL_DIR ${installed}
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
      -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
      -DCMAKE_C_FLAGS=${time64}
      -DSTATIC_ONLY=ON -DICAL_GLIB=OFF -DICAL_BUILD_DOCS=OFF -DLIBICAL_BUILD_TESTING=OFF
      -DUSE_BUILTIN_TZDATA=ON -DGOBJECT_INTROSPECTION=OFF -DWITH_CXX_BINDINGS=OFF
      -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON -DCMAKE_DISABLE_FIND_PACKAGE_BDB=ON
    BUILD_BYPRODUCTS ${installed}/lib/libical.a
    LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_INSTALL TRUE LOG_OUTPUT_ON_FAILURE TRUE)

  file(MAKE_DIRECTORY ${installed}/include)
  add_library(vq_libical STATIC IMPORTED GLOBAL)
  set_target_properties(vq_libical PROPERTIES
    IMPORTED_LOCATION ${installed}/lib/libical.a
    INTERFACE_INCLUDE_DIRECTORIES ${installed}/include
    INTERFACE_COMPILE_DEFINITIONS __MINGW_USE_VC2005_COMPAT)
  add_dependencies(vq_libical libical_mingw)

  # The licence as the source states it: the choice of the two, then each.
  set(licence ${CMAKE_BINARY_DIR}/generated/libical-licence.txt)
  set(texts ${CMAKE_BINARY_DIR}/libical/licence-texts)
  file(ARCHIVE_EXTRACT INPUT ${tarball} DESTINATION ${texts}
       PATTERNS */LICENSE */LICENSE.MPL2.txt */LICENSE.LGPL21.txt)
  file(GLOB top LIST_DIRECTORIES true ${texts}/libical-*)
  file(READ ${top}/LICENSE choice)
  file(READ ${top}/LICENSE.MPL2.txt mpl)
  file(READ ${top}/LICENSE.LGPL21.txt lgpl)
  set(rule "======================================================================\n")
  file(WRITE ${licence}.new
       "libical ${version}, built into vqf.exe from Debian's source package libical3\n"
       "(libical3_${version}.orig.tar.gz, SHA-256 ${sha256}).\n\n"
       "${choice}\n${rule}LICENSE.MPL2.txt\n${rule}\n${mpl}\n${rule}LICENSE.LGPL21.txt\n${rule}\n${lgpl}")
  file(COPY_FILE ${licence}.new ${licence} ONLY_IF_DIFFERENT)
  file(REMOVE ${licence}.new)

  set_target_properties(vq_libical PROPERTIES
    VQ_ZONEINFO ${installed}/share/libical/zoneinfo
    VQ_LICENCE ${licence})
  message(STATUS "vqf.exe import: libical ${version} built from ${tarball} (SHA-256 ${sha256}, as its .dsc lists)")
endfunction()

vq_libical_from_debian_source()

# vqf.exe finds libical's time zone database in the zoneinfo folder beside
# itself (VqfImport.cpp); so does a test program that imports calendars.
function(vq_zoneinfo_beside target)
  get_target_property(zoneinfo vq_libical VQ_ZONEINFO)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${zoneinfo} $<TARGET_FILE_DIR:${target}>/zoneinfo
    VERBATIM)
endfunction()
