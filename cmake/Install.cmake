# Where everything lands on `cmake --install` (and in the .deb): both programs and the script
# worker they start, the pointer pictures in the program's data folder, the menu entry with its
# picture, the manual pages and the command line's completion.

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

# The manual pages and the changelog are installed compressed, as Debian keeps them: gzip -9
# without a name or time inside, so that the same sources give the same package.
set(compressed_folder ${CMAKE_CURRENT_BINARY_DIR}/compressed)
set(compressed_files)
foreach(source packaging/quillmere.1 packaging/quillmere-convert.1 packaging/changelog)
    get_filename_component(name ${source} NAME)
    add_custom_command(OUTPUT ${compressed_folder}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${compressed_folder}
        COMMAND gzip -9nc ${CMAKE_CURRENT_SOURCE_DIR}/${source} > ${compressed_folder}/${name}.gz
        DEPENDS ${source}
        VERBATIM)
    list(APPEND compressed_files ${compressed_folder}/${name}.gz)
endforeach()
add_custom_target(compressed_documents ALL DEPENDS ${compressed_files})

# Whatever builds the window (./run.sh builds the two programs alone) builds everything the
# install takes, so that `cmake --install` works after it.
add_dependencies(quillmere program_icons compressed_documents)

install(TARGETS quillmere quillmere-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The fast engine runs pages' scripts in the script worker, when the build has a script runtime:
# found beside the programs in the build tree, and in the library folder installed.
if(TARGET quillmere-script-worker)
    add_dependencies(quillmere quillmere-script-worker)
    add_dependencies(quillmere-convert quillmere-script-worker)
    install(TARGETS quillmere-script-worker
            RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/quillmere)
endif()
install(FILES $<TARGET_FILE_DIR:quillmere>/HAND-M.CUR $<TARGET_FILE_DIR:quillmere>/drag.ico
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quillmere)
install(FILES packaging/quillmere.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${icon_folder}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${compressed_folder}/quillmere.1.gz ${compressed_folder}/quillmere-convert.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/quillmere-convert.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME quillmere-convert)
install(FILES packaging/copyright ${compressed_folder}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmere)

# cpack -G DEB: a package whose dependencies are read from the programs (dpkg-shlibdeps), its
# programs stripped. A build with debug information keeps it apart, as Debian does, in a
# quillmere-dbgsym package found by the programs' build IDs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <dev@quillmere.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns many HTML files into plain-text files")
# Below the summary, which CPack puts first; it indents the lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillmere writes the text a browser shows for the body of each HTML
file (its innerText) beside it as a .txt file, for a list of files
collected in a window or for files and folders named on the command
line (quillmere-convert). Pages without scripts get their text from a
fast engine of its own; every other page is loaded into a hidden Qt
WebEngine page. Pages reach only local files, never the network.")
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Arial" in pages must resolve to a face of Arial's metrics, as in the tests.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Splitting the debug information off strips the programs too.
if(CMAKE_BUILD_TYPE MATCHES "^(RelWithDebInfo|Debug)$")
    set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
    set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CompleteDebugPackage.cmake)
else()
    set(CPACK_STRIP_FILES ON)
endif()
include(CPack)

if(BUILD_TESTING)
    add_test(NAME install_staged
             COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/install_test.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install_staged PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                         TIMEOUT 120)
endif()
