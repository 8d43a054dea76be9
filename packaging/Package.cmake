# Install rules and the Debian package (CPack DEB), used by scripts/package.
#
# Layout: the program, the installer tool and the library they link live in /opt/pravolt,
# the folder that also holds Parametros.ini and the bdados/ folder MONO: locations name;
# /usr/bin has links to the two commands (the program resolves its real folder, so a link
# does not move its configuration). Parametros.ini is not in the package: the maintainer
# scripts (packaging/postinst, postrm) look after it; see docs/DESIGN.md.
# Destinations are relative to the packaging prefix "/".

set(PRAVOLT_PACKAGE_MAINTAINER "pravolt maintainers <pravolt@exemplo.com.br>"
    CACHE STRING "Maintainer field of the Debian package")

set(PKG_SRC ${PROJECT_SOURCE_DIR}/packaging)
set(PKG_GEN ${PROJECT_BINARY_DIR}/packaging)
set(PKG_APP opt/pravolt)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(PKG_DADOS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The installed commands find the library beside them.
set_target_properties(pravolt PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS pravolt RUNTIME DESTINATION ${PKG_APP})
if(TARGET pravolt-admin)
  set_target_properties(pravolt-admin PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS pravolt-admin RUNTIME DESTINATION ${PKG_APP})
endif()
install(TARGETS pravolt_cgccpf LIBRARY DESTINATION ${PKG_APP} PERMISSIONS ${PKG_DADOS})

# Links on the PATH (absolute: they cross top-level folders).
foreach(cmd pravolt pravolt-admin)
  file(MAKE_DIRECTORY ${PKG_GEN}/bin)
  file(CREATE_LINK /${PKG_APP}/${cmd} ${PKG_GEN}/bin/${cmd} SYMBOLIC)
  install(FILES ${PKG_GEN}/bin/${cmd} DESTINATION usr/bin)
endforeach()

# Manual pages, changelog and the README's configuration sections, compressed as Debian
# wants them (gzip -9n: no name or time stamp, so the bytes depend on the text only).
# (the manual pages and the changelog carry the version)
configure_file(${PKG_SRC}/changelog.in ${PKG_GEN}/changelog @ONLY)
configure_file(${PKG_SRC}/pravolt.1 ${PKG_GEN}/pravolt.1 @ONLY)
configure_file(${PKG_SRC}/pravolt-admin.1 ${PKG_GEN}/pravolt-admin.1 @ONLY)
set(PKG_GZ "")
foreach(nome pravolt.1 pravolt-admin.1 changelog configuration.md)
  add_custom_command(OUTPUT ${PKG_GEN}/${nome}.gz
    COMMAND gzip -9n -c ${PKG_GEN}/${nome} > ${PKG_GEN}/${nome}.gz
    DEPENDS ${PKG_GEN}/${nome} VERBATIM)
  list(APPEND PKG_GZ ${PKG_GEN}/${nome}.gz)
endforeach()
add_custom_command(OUTPUT ${PKG_GEN}/configuration.md
  COMMAND ${CMAKE_COMMAND} -DREADME=${PROJECT_SOURCE_DIR}/README.md -DOUT=${PKG_GEN}/configuration.md
          -P ${PKG_SRC}/ReadmeSections.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${PKG_SRC}/ReadmeSections.cmake VERBATIM)
add_custom_target(pravolt_package_docs ALL DEPENDS ${PKG_GZ})

install(FILES ${PKG_GEN}/pravolt.1.gz ${PKG_GEN}/pravolt-admin.1.gz
        DESTINATION usr/share/man/man1 PERMISSIONS ${PKG_DADOS})
install(FILES ${PKG_SRC}/copyright ${PKG_GEN}/changelog.gz ${PKG_GEN}/configuration.md.gz
        DESTINATION usr/share/doc/pravolt PERMISSIONS ${PKG_DADOS})
install(FILES ${PKG_SRC}/pravolt.desktop DESTINATION usr/share/applications PERMISSIONS ${PKG_DADOS})
install(FILES ${PKG_SRC}/pravolt.svg DESTINATION usr/share/icons/hicolor/scalable/apps
        PERMISSIONS ${PKG_DADOS})
install(FILES ${PKG_SRC}/Parametros.ini.example DESTINATION usr/share/pravolt PERMISSIONS ${PKG_DADOS})
install(FILES ${PKG_SRC}/lintian-overrides DESTINATION usr/share/lintian/overrides
        RENAME pravolt PERMISSIONS ${PKG_DADOS})

# --- the Debian package ---------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pravolt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PRAVOLT_PACKAGE_MAINTAINER}")
# Libraries as dpkg-shlibdeps finds them in the linked files, plus the embedded Firebird
# engine (loaded by the client library, not linked) and adduser for the maintainer script.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "firebird3.0-server-core, adduser")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PKG_SRC}/postinst ${PKG_SRC}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(READ ${PKG_SRC}/description CPACK_DEBIAN_PACKAGE_DESCRIPTION)
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
