# The download for Windows users: a ZIP holding Quillmark.exe, the README and the licence, named
# after the program's version and the target (Quillmark-0.7.4.17-win32.zip for the i686 build),
# with its SHA-256 beside it (.zip.sha256, in sha256sum's format). Made by the `package` target
# or `cpack --preset win32`; both land in build/<preset>/package/.
#
# Only the `program` component goes into the ZIP, so no install rule of a dependency can add
# files to it.
install(TARGETS Quillmark RUNTIME DESTINATION . COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT program)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_qm_target win64)
else()
  set(_qm_target win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quillmark)
set(CPACK_PACKAGE_VENDOR "The Quillmark developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME ${_qm_target})
set(CPACK_PACKAGE_FILE_NAME Quillmark-${PROJECT_VERSION}-${_qm_target})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Quillmark;program;/")
include(CPack)
