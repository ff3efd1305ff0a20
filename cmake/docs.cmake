# The API documentation: HTML from the installed headers with Doxygen, in
# build/docs/html. A public member without a doc comment, or a doc comment
# Doxygen cannot read, is a warning, and any warning fails the build.
find_package(Doxygen REQUIRED)
set(KORVANE_DOCS_DIR ${PROJECT_BINARY_DIR}/docs)
configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${KORVANE_DOCS_DIR}/Doxyfile @ONLY)
file(GLOB_RECURSE KORVANE_DOCUMENTED_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/korvane/*.h)
list(APPEND KORVANE_DOCUMENTED_HEADERS ${KORVANE_GENERATED_INCLUDE_DIR}/korvane/version.h)
add_custom_command(OUTPUT ${KORVANE_DOCS_DIR}/html/index.html
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${KORVANE_DOCS_DIR}/html
  COMMAND Doxygen::doxygen ${KORVANE_DOCS_DIR}/Doxyfile
  DEPENDS ${KORVANE_DOCUMENTED_HEADERS} ${PROJECT_SOURCE_DIR}/docs/api.md ${KORVANE_DOCS_DIR}/Doxyfile
  WORKING_DIRECTORY ${KORVANE_DOCS_DIR}
  COMMENT "Building the API documentation in ${KORVANE_DOCS_DIR}/html"
  VERBATIM)
add_custom_target(korvane_docs ALL DEPENDS ${KORVANE_DOCS_DIR}/html/index.html)
install(DIRECTORY ${KORVANE_DOCS_DIR}/html/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/html)
