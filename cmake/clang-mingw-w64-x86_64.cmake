# Cross-compiles for 64-bit Windows with Debian's clang and lld, as a second
# compiler beside the release build's MinGW-w64 GCC. The code compiles against
# the same MinGW-w64 headers and import libraries and links the same C++
# runtime: the GCC cross toolchain's libstdc++, libgcc and winpthreads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET   ${MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${MINGW_PREFIX})
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP      ${MINGW_PREFIX}-objdump CACHE FILEPATH "")

# The sysroot keeps the build host's /usr/include out of every search path;
# clang then finds the MinGW-w64 headers and libraries under it.
set(CMAKE_SYSROOT /usr/${MINGW_PREFIX})

# clang does not recognise Debian's GCC library folder (named like
# "12-posix"), so the GCC cross driver is asked where its libraries are.
execute_process(
    COMMAND ${MINGW_PREFIX}-gcc-posix -print-libgcc-file-name
    OUTPUT_VARIABLE _dvp_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _dvp_libgcc_result)
if(NOT _dvp_libgcc_result EQUAL 0 OR NOT EXISTS "${_dvp_libgcc}")
    message(FATAL_ERROR "${MINGW_PREFIX}-gcc-posix not found: install g++-mingw-w64-x86-64-posix (scripts/setup.sh)")
endif()
get_filename_component(MINGW_GCC_LIBRARY_DIR "${_dvp_libgcc}" DIRECTORY)

# libstdc++'s headers from that folder. GCC's libstdc++ keeps its
# thread-locals (those of std::call_once among them) in emulated TLS, so
# clang must address them the same way or they do not link.
set(_dvp_cxx_headers ${MINGW_GCC_LIBRARY_DIR}/include/c++)
string(JOIN " " CMAKE_CXX_FLAGS_INIT
    -stdlib++-isystem ${_dvp_cxx_headers}
    -stdlib++-isystem ${_dvp_cxx_headers}/${MINGW_PREFIX}
    -stdlib++-isystem ${_dvp_cxx_headers}/backward
    -femulated-tls)
set(CMAKE_C_FLAGS_INIT "-femulated-tls")

# Link with lld, GCC's libraries and start-up objects (-B: crtbegin.o and
# crtend.o), and winpthreads, which the posix-threads libstdc++ is built on.
set(_dvp_link_flags "-fuse-ld=lld -L${MINGW_GCC_LIBRARY_DIR} -B${MINGW_GCC_LIBRARY_DIR} -pthread")
set(CMAKE_EXE_LINKER_FLAGS_INIT    "${_dvp_link_flags}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_dvp_link_flags}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_dvp_link_flags}")

# lld 14 writes every export table with ordinal base 0 and an empty slot
# before the first ordinal; the plug-in's ten exports must sit at ordinals 1
# to 10 under base 1 (tests/check_dll_tables.sh). The product DLL alone is
# therefore linked by the MinGW-w64 binutils linker, from clang's objects.
find_program(DVP_BINUTILS_LD ${MINGW_PREFIX}-ld REQUIRED)
set(DVP_DLL_LINK_OPTIONS --ld-path=${DVP_BINUTILS_LD})

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
