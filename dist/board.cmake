# The score server's packages from the same build as the game, in the way of the game's
# (included by dist/CMakeLists.txt): "zelto-board" with the program, its systemd unit, its
# manual page and its API's documentation, and "zelto-board-dbg" with its debug symbols.
install(TARGETS zelto-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT board)
install(FILES zelto-board.service DESTINATION lib/systemd/system COMPONENT board)
install(FILES ${PROJECT_SOURCE_DIR}/docs/board-api.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zelto-board COMPONENT board)
zelto_gzip(${PROJECT_SOURCE_DIR}/docs/man/zelto-board.1
    ${CMAKE_CURRENT_BINARY_DIR}/man/zelto-board.1.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/zelto-board.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT board)
zelto_package_doc(board zelto-board)
zelto_debug_symbols(board_dbg zelto-board)
zelto_package_doc(board_dbg zelto-board-dbg)

list(APPEND CPACK_COMPONENTS_ALL board board_dbg)
set(CPACK_DEBIAN_BOARD_PACKAGE_NAME zelto-board)
set(CPACK_DEBIAN_BOARD_PACKAGE_SECTION net)
set(CPACK_DEBIAN_BOARD_DESCRIPTION "score server for Zelto that replays every game
The Zelto score board keeps the scores of games that it has replayed itself: a
client sends a game's recording and the board works out its score. It serves
the table as a web page and as JSON, keeps it in SQLite or PostgreSQL, and
runs as a hardened systemd service.")
# Beyond the linked libraries: the Qt SQL driver it opens its SQLite file with (its
# maintainer scripts stop the service with deb-systemd-invoke, which every system has).
set(CPACK_DEBIAN_BOARD_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_BOARD_PACKAGE_SUGGESTS "libqt6sql6-psql, postgresql")
set(CPACK_DEBIAN_BOARD_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/board/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/board/prerm
    ${CMAKE_CURRENT_SOURCE_DIR}/board/postrm)

set(CPACK_DEBIAN_BOARD_DBG_PACKAGE_NAME zelto-board-dbg)
set(CPACK_DEBIAN_BOARD_DBG_PACKAGE_SECTION debug)
set(CPACK_DEBIAN_BOARD_DBG_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_BOARD_DBG_DEPENDS board)
set(CPACK_DEBIAN_BOARD_DBG_DESCRIPTION "debug symbols for zelto-board
The debug information of zelto-board, which gdb finds by build ID: install it
to debug the score server or to get a readable backtrace of a crash.")
