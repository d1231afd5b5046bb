# The Debian package of the installed program (cpack -G DEB; scripts/package builds it).
# Its file name takes the Debian form rufkartei_VERSION-RELEASE_ARCH.deb.
set(CPACK_PACKAGE_NAME rufkartei)
set(CPACK_PACKAGE_VENDOR "Rufkartei maintainers")
set(CPACK_PACKAGE_CONTACT "Rufkartei maintainers <maintainers@users.noreply.c-seed-e96c9c3c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy contacts between two router phonebook files")
# The summary is the synopsis line; CPack puts it in front of this extended description.
set(CPACK_PACKAGE_DESCRIPTION "Rufkartei opens two phonebooks that a home router saved as XML files side by
side, shows the contacts of each in a checkable list, and copies, moves or
deletes the ticked contacts between the two books, or starts a new, empty book.
A book is written to a new file that the router can restore; the files that
were read are never changed. The program speaks German.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; the program also needs the Arial-compatible fonts
# it asks for, the X11 platform plugin of Qt and Qt's German texts for the standard dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-qpa-plugins, qt6-translations-l10n")

include(CPack)
