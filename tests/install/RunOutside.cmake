# Outside programs against the installed tree. MODE:
#   install   installs the build tree into PREFIX (the other modes use it)
#   cmake     configures, builds and runs the CMake project SOURCE_DIR with
#             find_package(pixolan CONFIG) and CMAKE_PREFIX_PATH=PREFIX only
#   pkgconfig compiles SOURCE as one file with the flags of
#             `pkg-config --cflags --libs pixolan` (PKG_CONFIG_PATH=PREFIX/LIBDIR/pkgconfig)
#             and runs it
#   host      compiles SOURCE (a plug-in host) with -I PREFIX/include alone and
#             runs it on the installed resizer module
# Inputs: MODE, PREFIX, LIBDIR (relative), WORK_DIR, CXX, CXX_FLAGS, and
# BUILD_DIR (install), SOURCE_DIR (cmake), SOURCE (pkgconfig, host), VERSION (pkgconfig).
separate_arguments(_cxx_flags UNIX_COMMAND "${CXX_FLAGS}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " _cmd)
    message(FATAL_ERROR "failed (${rc}): ${_cmd}")
  endif()
endfunction()

if(MODE STREQUAL "install")
  file(REMOVE_RECURSE "${PREFIX}")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "install failed: ${rc}")
  endif()
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
if(MODE STREQUAL "cmake")
  run("${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/build" "-DCMAKE_CXX_COMPILER=${CXX}"
      "-DCMAKE_PREFIX_PATH=${PREFIX}" "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}/build")
  run("${WORK_DIR}/build/consumer")
elseif(MODE STREQUAL "pkgconfig")
  find_program(PKG_CONFIG pkg-config REQUIRED)
  set(_pc ${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${PREFIX}/${LIBDIR}/pkgconfig" ${PKG_CONFIG})
  foreach(module pixolan tarvekmath pixolan-general)
    execute_process(COMMAND ${_pc} --modversion ${module} OUTPUT_VARIABLE _version
                    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0 OR NOT _version STREQUAL VERSION)
      message(FATAL_ERROR "pkg-config ${module}: '${_version}' (${rc}), expected ${VERSION}")
    endif()
  endforeach()
  execute_process(COMMAND ${_pc} --cflags --libs pixolan OUTPUT_VARIABLE _flags
                  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  execute_process(COMMAND ${_pc} --variable=libdir pixolan OUTPUT_VARIABLE _libdir
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR NOT _libdir STREQUAL "${PREFIX}/${LIBDIR}")
    message(FATAL_ERROR "pkg-config pixolan: flags '${_flags}' (${rc}), libdir '${_libdir}'")
  endif()
  separate_arguments(_flags UNIX_COMMAND "${_flags}")
  run("${CXX}" -std=c++17 ${_cxx_flags} "${SOURCE}" ${_flags} "-Wl,-rpath,${_libdir}" -o "${WORK_DIR}/consumer")
  run("${WORK_DIR}/consumer")
elseif(MODE STREQUAL "host")
  run("${CXX}" -std=c++17 -Wall -Wextra -Werror ${_cxx_flags} "-I${PREFIX}/include" "${SOURCE}"
      -o "${WORK_DIR}/host" -ldl)
  run("${WORK_DIR}/host" "${PREFIX}/${LIBDIR}/tarvekresizerfilter.so")
else()
  message(FATAL_ERROR "unknown MODE '${MODE}'")
endif()
