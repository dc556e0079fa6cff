# zlib, libpng and libjpeg-turbo for the Windows player runtime: static libraries built
# with the cross compiler from the source tarballs Debian 12 (bookworm) ships, fetched from
# Debian's archive when the build is configured and checked by SHA-256. libpng gets the
# patches of bookworm's package (its security fixes: the runtime reads hostile PNG files);
# those of zlib and libjpeg-turbo concern their packaging and SIMD code only. The tarballs
# stay in the build folder (windows-libraries/downloads), so configuring again fetches
# nothing.
# Sets lsr_windows_libraries_found, lsr_windows_include_dir, lsr_windows_library_files
# (in link order) and lsr_windows_library_targets.
#
# Expects LSR_MINGW_CXX (the cross C++ compiler); the C compiler beside it builds the
# libraries. libjpeg-turbo is built without its SIMD code, which needs nasm.

include(ExternalProject)
if(POLICY CMP0135)
    cmake_policy(SET CMP0135 NEW) # extracted files get the time of extraction
endif()

set(lsr_windows_libraries_found FALSE)
set(lsr_windows_root ${PROJECT_BINARY_DIR}/windows-libraries)
set(lsr_windows_downloads ${lsr_windows_root}/downloads)
set(lsr_windows_include_dir ${lsr_windows_root}/include)
set(lsr_windows_lib_dir ${lsr_windows_root}/lib)

# The sources: Debian's pool folder, the tarball of the version bookworm ships, its SHA-256
# (as the package's .dsc lists it) and its SHA-1 (its name in the snapshot archive).
set(lsr_zlib_pool z/zlib)
set(lsr_zlib_file zlib_1.2.13.dfsg.orig.tar.bz2)
set(lsr_zlib_sha256 71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1)
set(lsr_zlib_sha1 4fec854a7c5fe543e44c12afa365642c0e6b5ded)
set(lsr_png_pool libp/libpng1.6)
set(lsr_png_file libpng1.6_1.6.39.orig.tar.gz)
set(lsr_png_sha256 a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441)
set(lsr_png_sha1 d384c4526a84d213f697108258c490adc99b4cdb)
set(lsr_pngdebian_pool libp/libpng1.6)
set(lsr_pngdebian_file libpng1.6_1.6.39-2+deb12u5.debian.tar.xz)
set(lsr_pngdebian_sha256 ab14906eda9fddf14cbb1e589b9ba7439c22e233dc3c5e3cf9356c9625565a82)
set(lsr_pngdebian_sha1 e3b5da765bd94a2fbe47e06fd0d34155835f0aad)
set(lsr_jpeg_pool libj/libjpeg-turbo)
set(lsr_jpeg_file libjpeg-turbo_2.1.5.orig.tar.gz)
set(lsr_jpeg_sha256 254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c)
set(lsr_jpeg_sha1 3731459f8774035efac9bd0a3b890832484a2681)

# Puts the tarball `file` into the downloads folder unless a copy with the right SHA-256
# is there: from Debian's pool folder `pool`, else from the snapshot archive, which keeps
# every file Debian ever shipped under its SHA-1. `result` gets its path, or nothing.
function(lsr_fetch_debian_source pool file sha256 sha1 result)
    set(path ${lsr_windows_downloads}/${file})
    if(EXISTS ${path})
        file(SHA256 ${path} have)
        if(have STREQUAL sha256)
            set(${result} ${path} PARENT_SCOPE)
            return()
        endif()
        file(REMOVE ${path})
    endif()
    foreach(url https://deb.debian.org/debian/pool/main/${pool}/${file}
                https://snapshot.debian.org/file/${sha1})
        message(STATUS "Fetching ${url}")
        file(DOWNLOAD ${url} ${path}.part STATUS status TIMEOUT 120 INACTIVITY_TIMEOUT 20)
        list(GET status 0 code)
        if(code EQUAL 0)
            file(SHA256 ${path}.part have)
            if(have STREQUAL sha256)
                file(RENAME ${path}.part ${path})
                set(${result} ${path} PARENT_SCOPE)
                return()
            endif()
            message(STATUS "  wrong SHA-256 ${have}")
        else()
            list(GET status 1 why)
            message(STATUS "  failed: ${why}")
        endif()
        file(REMOVE ${path}.part)
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

# The C compiler of the same tool set: x86_64-w64-mingw32-gcc[-win32] beside the g++.
get_filename_component(lsr_mingw_dir ${LSR_MINGW_CXX} DIRECTORY)
get_filename_component(lsr_mingw_name ${LSR_MINGW_CXX} NAME)
string(REPLACE "g++" "gcc" lsr_mingw_c_name ${lsr_mingw_name})
set(LSR_MINGW_CC ${lsr_mingw_dir}/${lsr_mingw_c_name})
if(NOT EXISTS ${LSR_MINGW_CC})
    message(STATUS "${LSR_MINGW_CC} not found: no Windows player runtime")
    return()
endif()

find_program(LSR_PATCH patch)
if(NOT LSR_PATCH)
    message(STATUS "patch not found (dpkg-dev installs it): no Windows player runtime")
    return()
endif()
foreach(lib zlib png pngdebian jpeg)
    lsr_fetch_debian_source(${lsr_${lib}_pool} ${lsr_${lib}_file} ${lsr_${lib}_sha256}
                            ${lsr_${lib}_sha1} lsr_${lib}_tarball)
    if(NOT lsr_${lib}_tarball)
        message(WARNING "${lsr_${lib}_file} could not be fetched from Debian's archive: "
                        "no Windows player runtime (the export's Windows target is unavailable)")
        return()
    endif()
endforeach()

set(lsr_windows_toolchain ${lsr_windows_root}/mingw-toolchain.cmake)
file(CONFIGURE OUTPUT ${lsr_windows_toolchain} CONTENT [[
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER "@LSR_MINGW_CC@")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
]] @ONLY)

set(lsr_windows_cmake_args
    -DCMAKE_TOOLCHAIN_FILE=${lsr_windows_toolchain}
    -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG"
    # Nothing is installed, but libjpeg-turbo's configuration needs a folder it can name.
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>)
# Each library is configured and built quietly (its output goes to log files in its
# folder, shown when a step fails). Only the library itself is built, and the same step
# copies it with its headers into windows-libraries/lib and include, so that the step
# the build knows as the files' maker is the one that writes them. The three are built
# one after the other, each on every core (the inner builds know nothing of the outer
# build's jobs).
set(lsr_windows_quiet
    LOG_CONFIGURE TRUE LOG_BUILD TRUE LOG_OUTPUT_ON_FAILURE TRUE)
cmake_host_system_information(RESULT lsr_cores QUERY NUMBER_OF_LOGICAL_CORES)
set(inc ${lsr_windows_include_dir})
set(lib ${lsr_windows_lib_dir})

ExternalProject_Add(lsr_windows_zlib
    URL ${lsr_zlib_tarball}
    URL_HASH SHA256=${lsr_zlib_sha256}
    PREFIX ${lsr_windows_root}/zlib
    CMAKE_ARGS ${lsr_windows_cmake_args}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel ${lsr_cores} --target zlibstatic
    COMMAND ${CMAKE_COMMAND} -E make_directory ${inc} ${lib}
    COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/zlib.h <BINARY_DIR>/zconf.h ${inc}
    COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libzlibstatic.a ${lib}/libz.a
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${lib}/libz.a
    ${lsr_windows_quiet})

ExternalProject_Add(lsr_windows_png
    URL ${lsr_png_tarball}
    URL_HASH SHA256=${lsr_png_sha256}
    PREFIX ${lsr_windows_root}/libpng
    PATCH_COMMAND ${CMAKE_COMMAND} -DDEBIAN_TARBALL=${lsr_pngdebian_tarball}
                  -DPATCH=${LSR_PATCH} -DWORK=<TMP_DIR>/debian
                  -P ${CMAKE_CURRENT_LIST_DIR}/ApplyDebianPatches.cmake
    CMAKE_ARGS ${lsr_windows_cmake_args}
               -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF
               -DZLIB_LIBRARY=${lib}/libz.a -DZLIB_INCLUDE_DIR=${inc}
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel ${lsr_cores} --target png_static
    COMMAND ${CMAKE_COMMAND} -E make_directory ${inc} ${lib}
    COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/png.h <SOURCE_DIR>/pngconf.h
            <BINARY_DIR>/pnglibconf.h ${inc}
    COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libpng16.a ${lib}/libpng16.a
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${lib}/libpng16.a
    DEPENDS lsr_windows_zlib
    ${lsr_windows_quiet})

ExternalProject_Add(lsr_windows_jpeg
    URL ${lsr_jpeg_tarball}
    URL_HASH SHA256=${lsr_jpeg_sha256}
    PREFIX ${lsr_windows_root}/libjpeg-turbo
    CMAKE_ARGS ${lsr_windows_cmake_args}
               -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
               -DWITH_JAVA=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel ${lsr_cores} --target jpeg-static
    COMMAND ${CMAKE_COMMAND} -E make_directory ${inc} ${lib}
    COMMAND ${CMAKE_COMMAND} -E copy <SOURCE_DIR>/jpeglib.h <SOURCE_DIR>/jmorecfg.h
            <SOURCE_DIR>/jerror.h <BINARY_DIR>/jconfig.h ${inc}
    COMMAND ${CMAKE_COMMAND} -E copy <BINARY_DIR>/libjpeg.a ${lib}/libjpeg.a
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${lib}/libjpeg.a
    DEPENDS lsr_windows_png
    ${lsr_windows_quiet})

set(lsr_windows_library_files ${lib}/libpng16.a ${lib}/libjpeg.a ${lib}/libz.a)
set(lsr_windows_library_targets lsr_windows_zlib lsr_windows_png lsr_windows_jpeg)
set(lsr_windows_libraries_found TRUE)
