# The static Qt for Windows: what Orvalet and its tests use, and no more.
# Changing this file makes ./scripts/windows build Qt afresh.
set(CMAKE_BUILD_TYPE Release CACHE STRING "")
set(BUILD_SHARED_LIBS OFF CACHE BOOL "")
set(FEATURE_static_runtime ON CACHE BOOL "")
set(FEATURE_optimize_size ON CACHE BOOL "")
set(QT_UNITY_BUILD ON CACHE BOOL "")
set(QT_BUILD_EXAMPLES OFF CACHE BOOL "")
set(QT_BUILD_TESTS OFF CACHE BOOL "")
# Qt's SBOM of what it built, as SPDX tag:value: no Python needed.
set(QT_GENERATE_SBOM ON CACHE BOOL "")
set(QT_SBOM_GENERATE_JSON OFF CACHE BOOL "")
set(QT_SBOM_VERIFY OFF CACHE BOOL "")
set(QT_QMAKE_TARGET_MKSPEC win32-g++ CACHE STRING "")
# The host's Qt of the same version runs moc, rcc, uic and syncqt.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")
# Modules and features the program never reaches. Tablets also need Wintab's
# headers, which Debian's source leaves out.
foreach(feature sql printsupport concurrent dbus xml opengl vulkan ssl openssl
                schannel zstd brotli icu jpeg gif tabletevent itemmodeltester sqlmodel
                testlib_selfcover androiddeployqt)
  set(FEATURE_${feature} OFF CACHE BOOL "")
endforeach()
set(INPUT_opengl no CACHE STRING "")
set(INPUT_openssl no CACHE STRING "")
