# The score board's own Debian package, zelto-board, from the same build as the game: the
# program, its systemd unit and its API's documentation, as the CPack component "board".
include(GNUInstallDirs)

install(TARGETS zelto-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT board)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/zelto-board.service
    DESTINATION lib/systemd/system COMPONENT board)
install(FILES ${PROJECT_SOURCE_DIR}/docs/board-api.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelto-board COMPONENT board)

# One package a component; files of no component (the game's, until they have one) stay the
# package "zelto".
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME zelto)
set(CPACK_COMPONENT_BOARD_DISPLAY_NAME "Zelto score board")
# CMake 3.25 puts the project's one summary line first in every package's description.
set(CPACK_COMPONENT_BOARD_DESCRIPTION "The Zelto score board keeps the scores of games that it
has replayed itself: a client sends a game's recording and the board works out its
score. It serves the table as a web page and as JSON, keeps it in SQLite or PostgreSQL,
and runs as a hardened systemd service.")
set(CPACK_DEBIAN_BOARD_PACKAGE_NAME zelto-board)
set(CPACK_DEBIAN_BOARD_PACKAGE_SECTION web)
# Beyond the linked libraries: the Qt SQL driver it opens its SQLite file with.
set(CPACK_DEBIAN_BOARD_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_BOARD_PACKAGE_SUGGESTS "libqt6sql6-psql, postgresql")
set(CPACK_DEBIAN_BOARD_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/board/postinst
    ${CMAKE_CURRENT_LIST_DIR}/board/prerm
    ${CMAKE_CURRENT_LIST_DIR}/board/postrm)
