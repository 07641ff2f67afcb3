# Debian packages, one per install component (cpack -G DEB -B <folder> in the
# build tree; scripts/package.sh does it in a release build for the /usr prefix
# and checks the result with scripts/check-packages.sh):
#   runtime   -> libpixolan<soversion>        the shared libraries
#   dev       -> libpixolan-dev               headers, CMake package, pkg-config files
#   tools     -> pixolan-tools                the pixolan program
#   gstreamer -> gstreamer1.0-tarvekresizer   the stream element (when built)
#   resizer   -> tarvekresizerfilter          the plug-in module and its host headers
# Dependencies on other Debian packages come from dpkg-shlibdeps; those between
# our own packages are exact versions. Included after every install rule.

# Every installed file belongs to a package: an install rule without a
# component would otherwise land in none of them.
get_cmake_property(PIXOLAN_COMPONENTS COMPONENTS)
set(_known runtime dev tools gstreamer resizer)
foreach(component IN LISTS PIXOLAN_COMPONENTS)
  if(NOT component IN_LIST _known)
    message(FATAL_ERROR "install rules of component '${component}', which no package takes: "
                        "give every install() one of ${_known}")
  endif()
endforeach()
foreach(component runtime dev tools resizer)
  if(NOT component IN_LIST PIXOLAN_COMPONENTS)
    message(FATAL_ERROR "no install rule for the '${component}' package")
  endif()
endforeach()
if(PIXOLAN_WITH_GSTREAMER AND NOT "gstreamer" IN_LIST PIXOLAN_COMPONENTS)
  message(FATAL_ERROR "the stream element is built but not installed")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixolan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "pixolan maintainers <maintainers@pixolan.invalid>")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
# Install with DESTDIR, so that install-time code (the pkg-config files) sees
# the real prefix rather than the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${PIXOLAN_COMPONENTS})
# Each package's description: its first line is the synopsis.

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, which the other packages' binaries need, are found here;
# the dependency on their package is the component dependency below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_LIBRARY_OUTPUT_DIRECTORY}")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(PIXOLAN_RUNTIME_PACKAGE "libpixolan${PROJECT_VERSION_MAJOR}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${PIXOLAN_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# The shlibs file lets dpkg-shlibdeps of packages built against these libraries
# find their package. (CPack's own generator would also visit the plug-in
# modules, which have no soname.)
set(_shlibs "")
foreach(target general tarvekmath pixolan)
  get_target_property(_name ${target} OUTPUT_NAME)
  if(NOT _name)
    set(_name ${target})
  endif()
  string(APPEND _shlibs "lib${_name} ${PROJECT_VERSION_MAJOR} ${PIXOLAN_RUNTIME_PACKAGE} (>= ${PROJECT_VERSION})\n")
endforeach()
file(WRITE "${CMAKE_BINARY_DIR}/debian/runtime/shlibs" "${_shlibs}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA "${CMAKE_BINARY_DIR}/debian/runtime/shlibs")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "image analysis and numerics libraries (pixolan, tarvekmath, general)
The shared libraries libpixolan (images, filters, contours, image files),
libtarvekmath (vectors and matrices, running statistics, distributions) and
libpixolan-general (geometry value types, rounding, path utilities).")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libpixolan-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
# What the public headers, the CMake package and the pkg-config files use.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libopencv-dev, libboost-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION "development files of the pixolan libraries
Headers, the CMake package (find_package(pixolan CONFIG)) and the pkg-config
files pixolan, tarvekmath and pixolan-general.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME pixolan-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "command-line program over the pixolan libraries
The pixolan program: image information, objects, filters, resizing and
conversion, with JSON output.")

set(CPACK_DEBIAN_GSTREAMER_PACKAGE_NAME gstreamer1.0-tarvekresizer)
set(CPACK_DEBIAN_GSTREAMER_PACKAGE_SECTION video)
# The element links the resize core alone, none of the shared libraries.
set(CPACK_COMPONENT_GSTREAMER_DESCRIPTION "GStreamer element tarvekresizer
Resizes BGRx, BGR and GRAY8 video frames with the pixolan resize core.")

set(CPACK_DEBIAN_RESIZER_PACKAGE_NAME tarvekresizerfilter)
set(CPACK_DEBIAN_RESIZER_PACKAGE_SECTION video)
# The host headers stand on the component-object basics of the development
# package (pixolan/platform/WinCom.h).
set(CPACK_COMPONENT_RESIZER_DEPENDS runtime dev)
set(CPACK_COMPONENT_RESIZER_DESCRIPTION "video resizer plug-in module and its host interface
The loadable transform filter module tarvekresizerfilter and the headers a
host needs to create it and query ITarvekResizer13.")

include(CPack)
