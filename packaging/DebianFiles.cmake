# What Linux packages and desktops expect beside the programs: the AppStream description of the
# program (for software centres), the copyright notice and, in the Debian package alone, its
# changelog.
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/tagmender)

configure_file(tagmender.metainfo.xml.in ${TAGMENDER_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${TAGMENDER_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES COPYRIGHT DESTINATION ${doc_dir} RENAME copyright)

configure_file(changelog.Debian.in changelog.Debian @ONLY)
# gzip -n: no name or time inside, so the same changelog gives the same bytes.
execute_process(COMMAND gzip -9nc ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
    OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${doc_dir}
    COMPONENT debian EXCLUDE_FROM_ALL)

