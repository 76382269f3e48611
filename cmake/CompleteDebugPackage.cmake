# Run by cpack after it made the packages: completes the -dbgsym package as Debian's own are.
# CPack lists its files in md5sums by their absolute paths in the build folder, and gives it no
# documentation; here its sums are made again from the package's own paths and its doc folder
# points to the program's, as dh_strip does.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "\\.ddeb$")
        continue()
    endif()
    set(root ${CPACK_TOPLEVEL_DIRECTORY}/complete-dbgsym)
    file(REMOVE_RECURSE ${root})
    execute_process(COMMAND dpkg-deb -R ${package} ${root} COMMAND_ERROR_IS_FATAL ANY)
    file(MAKE_DIRECTORY ${root}/usr/share/doc)
    file(CREATE_LINK ${CPACK_PACKAGE_NAME} ${root}/usr/share/doc/${CPACK_PACKAGE_NAME}-dbgsym SYMBOLIC)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/usr/lib/*)
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
        file(MD5 ${root}/${file} sum)
        string(APPEND sums "${sum}  ${file}\n")
    endforeach()
    file(WRITE ${root}/DEBIAN/md5sums "${sums}")
    execute_process(COMMAND dpkg-deb --root-owner-group --build ${root} ${package}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${root})
endforeach()
