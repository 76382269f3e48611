# Where everything lands on `cmake --install` (and in the .deb): both programs, the pointer
# pictures in the program's data folder, the menu entry with its picture, the manual pages
# and the command line's completion.

include(GNUInstallDirs)

# The window looks for its pointer pictures beside itself first, then in the data folder, by
# a path relative to its own folder, so the same program works under any prefix.
file(RELATIVE_PATH data_from_program ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/quillmere)
target_compile_definitions(quillmere PRIVATE QUILLMERE_DATA_FROM_PROGRAM="${data_from_program}")

# The program's picture, drawn by the same code the window draws its icon with.
add_executable(make_icons tools/make_icons.cpp app/ProgramIcon.cpp)
target_include_directories(make_icons PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(make_icons PRIVATE Qt6::Gui)
set(icon_folder ${CMAKE_CURRENT_BINARY_DIR}/icons)
add_custom_command(OUTPUT ${icon_folder}/256x256/apps/quillmere.png
    COMMAND make_icons ${icon_folder}
    DEPENDS make_icons
    COMMENT "Drawing the program's icons")
add_custom_target(program_icons ALL DEPENDS ${icon_folder}/256x256/apps/quillmere.png)

install(TARGETS quillmere quillmere-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES $<TARGET_FILE_DIR:quillmere>/HAND-M.CUR $<TARGET_FILE_DIR:quillmere>/drag.ico
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere)
install(FILES packaging/quillmere.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${icon_folder}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES packaging/quillmere.1 packaging/quillmere-convert.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/quillmere-convert.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME quillmere-convert)
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)

# cpack -G DEB: a package whose dependencies are read from the programs (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <dev@quillmere.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns many HTML files into plain-text files")
# Below the summary, which CPack puts first; it indents the lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillmere writes the text a browser shows for the body of each HTML file (its
innerText) beside it as a .txt file, for a list of files collected in a window or
for files and folders named on the command line (quillmere-convert). Pages without
scripts get their text from a fast engine of its own; every other page is loaded
into a hidden Qt WebEngine page. Pages reach only local files, never the network.")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Arial" in pages must resolve to a face of Arial's metrics, as in the tests.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

if(BUILD_TESTING)
    add_test(NAME install_staged
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/install_test.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install_staged PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                         TIMEOUT 120)
endif()
