# packaging.cmake - what `cmake --install` puts under the prefix: the Lua module, the
# library (static, or shared with -DBUILD_SHARED_LIBS=ON), the public headers under
# include/karvo/, the CMake package (karvo::karvo) and karvo.pc.
include(CMakePackageConfigHelpers)

# Relative paths are taken from the prefix. The default is where lua5.1 and luajit look
# for C modules: /usr/local/lib/lua/5.1 for /usr/local, the multiarch directory for /usr.
# The rockspec points it at the rock's own tree.
set(KARVO_LUA_CMOD_DIR "${CMAKE_INSTALL_LIBDIR}/lua/5.1" CACHE STRING "Where the Lua module is installed")
option(KARVO_INSTALL_LIBRARY "Install the C++ library, its headers, CMake package and karvo.pc (off: the Lua module alone)" ON)

install(TARGETS KarvoWrapper LIBRARY DESTINATION ${KARVO_LUA_CMOD_DIR}/orvane/ExcelLibrary_0)

if(BUILD_SHARED_LIBS)
    # The same objects as the static archive, linked once more; only what carries
    # KARVO_API is exported, and the version script also keeps the standard library's
    # template instances used inside (std::u16string operations and the like) local.
    add_library(karvo_shared SHARED $<TARGET_OBJECTS:karvo>)
    target_link_libraries(karvo_shared PRIVATE PkgConfig::KARVO_ICU ZLIB::ZLIB PkgConfig::KARVO_LIBDEFLATE PkgConfig::KARVO_ISAL)
    target_link_options(karvo_shared PRIVATE
        -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/karvo.map -Wl,--no-undefined)
    set_target_properties(karvo_shared PROPERTIES
        LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/karvo.map
        OUTPUT_NAME karvo EXPORT_NAME karvo VERSION ${PROJECT_VERSION}
        # While the major version is 0 a minor release may reorder interface slots.
        SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
    set(KARVO_INSTALLED_LIBRARY karvo_shared)
    set(KARVO_PC_REQUIRES "Requires.private")
else()
    set(KARVO_INSTALLED_LIBRARY karvo)
    # A program linking the archive needs its dependencies named too.
    set(KARVO_PC_REQUIRES "Requires")
endif()
target_include_directories(${KARVO_INSTALLED_LIBRARY} INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

if(NOT KARVO_INSTALL_LIBRARY)
    return()
endif()

set(KARVO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/karvo)
install(TARGETS ${KARVO_INSTALLED_LIBRARY} EXPORT karvoTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The public headers only; they include each other by plain name, so they stay together.
install(FILES core/api.h core/enums.h core/interfaces.h core/book_factory.h
    ${CMAKE_BINARY_DIR}/generated/core/version.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/karvo)
install(EXPORT karvoTargets NAMESPACE karvo:: DESTINATION ${KARVO_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/karvoConfig.cmake.in ${CMAKE_BINARY_DIR}/karvoConfig.cmake
    INSTALL_DESTINATION ${KARVO_CMAKE_DIR})
# Before 1.0 the interfaces may change between minor versions, so only the same minor matches.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/karvoConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/karvoConfig.cmake ${CMAKE_BINARY_DIR}/karvoConfigVersion.cmake
    DESTINATION ${KARVO_CMAKE_DIR})

# karvo.pc finds the prefix from its own place, so an install with --prefix or DESTDIR works.
file(RELATIVE_PATH KARVO_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" KARVO_PC_TO_PREFIX ${KARVO_PC_TO_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/karvo.pc.in ${CMAKE_BINARY_DIR}/karvo.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/karvo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
