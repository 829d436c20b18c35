# Run at install time (cmake --install, and cpack for the .deb) with PAGE_IN,
# PAGE_OUT, VERSION, DOCDIR and DATADIR (relative to the prefix) set: fills the version and the installed places into
# a manual page and compresses it, as Debian's policy asks of manual pages.
# CMAKE_INSTALL_PREFIX is then the prefix being installed to.
set(PROJECT_VERSION ${VERSION})
set(TAMARACK_DOCDIR ${CMAKE_INSTALL_PREFIX}/${DOCDIR})
set(TAMARACK_SHOWDIR ${CMAKE_INSTALL_PREFIX}/${DATADIR}/tamarack/show)
configure_file(${PAGE_IN} ${PAGE_OUT} @ONLY)
execute_process(COMMAND gzip -9nf ${PAGE_OUT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip ${PAGE_OUT} failed")
endif()
