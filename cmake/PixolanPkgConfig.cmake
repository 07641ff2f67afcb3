# pkg-config files whose prefix is the one the tree is installed into: the
# template is configured now for everything but the prefix, and again at
# install time (cmake --install --prefix, or the packaging run) for the prefix,
# so the installed file names absolute paths as pkg-config users expect.
#
#   pixolan_install_pkgconfig(<name> <template> COMPONENT <component>)
#
# The template may use @PROJECT_VERSION@ and @PC_PREFIX@, @PC_LIBDIR@,
# @PC_INCLUDEDIR@ (the latter two relative to ${prefix} unless absolute).
function(pixolan_install_pkgconfig name template)
  cmake_parse_arguments(PC "" "COMPONENT" "" ${ARGN})
  if(NOT PC_COMPONENT)
    message(FATAL_ERROR "pixolan_install_pkgconfig(${name}): COMPONENT is required")
  endif()
  foreach(kind LIBDIR INCLUDEDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
      set(PC_${kind} "${CMAKE_INSTALL_${kind}}")
    else()
      set(PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
    endif()
  endforeach()
  set(PC_PREFIX "@PC_PREFIX@") # kept for the install-time pass
  set(_stage "${CMAKE_BINARY_DIR}/pkgconfig/${name}.pc.in")
  # Written at install time into a folder of its own per destination, so that
  # installs into different places at once do not overwrite each other's file.
  set(_out "${CMAKE_BINARY_DIR}/pkgconfig/installed/\${_pc_dest_hash}/${name}.pc")
  configure_file("${template}" "${_stage}" @ONLY)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(_dest "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
  else()
    set(_dest "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig")
  endif()
  install(CODE "
    set(PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    string(MD5 _pc_dest_hash \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
    configure_file(\"${_stage}\" \"${_out}\" @ONLY)
    file(INSTALL DESTINATION \"${_dest}\" TYPE FILE FILES \"${_out}\")"
    COMPONENT ${PC_COMPONENT})
endfunction()
