# Applies the patches of a Debian source package to the sources in the current folder,
# in the order of its debian/patches/series (lines starting with # left out), as Debian
# builds the package. Run with cmake -P:
#   -DDEBIAN_TARBALL=<pkg>.debian.tar.xz -DPATCH=<patch program> -DWORK=<a folder of its own>

file(REMOVE_RECURSE ${WORK})
file(ARCHIVE_EXTRACT INPUT ${DEBIAN_TARBALL} DESTINATION ${WORK})
file(STRINGS ${WORK}/debian/patches/series lines)
foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
        continue()
    endif()
    string(REGEX REPLACE "[ \t].*$" "" name "${line}") # a name may be followed by options
    execute_process(
        COMMAND ${PATCH} -p1 --forward --batch --quiet -i ${WORK}/debian/patches/${name}
        RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${name} does not apply")
    endif()
endforeach()
