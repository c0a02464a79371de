# What an installed mekira carries besides the program (the AppStream metainfo, the
# copyright and changelog files), and the Debian package that `make deb` writes with
# CPack's DEB generator.
#
# CPack rather than a debian/ folder and dpkg-buildpackage: it packs exactly what the
# install rules already lay out, so the layout is written once, and it needs no source
# package, build-dependency or debhelper setup, which a shop installing one .deb never
# uses. dpkg-shlibdeps still computes the library dependencies.

set(MEKIRA_HOMEPAGE "https://www.example.jp/mekira/")
set(MEKIRA_APPSTREAM_ID "jp.example.mekira")
set(MEKIRA_PACKAGE_MAINTAINER "mekira maintainers <mekira@example.jp>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
# The day of the release; SOURCE_DATE_EPOCH, when set, makes it the same on every build.
string(TIMESTAMP MEKIRA_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP MEKIRA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(mekira_package_data "${PROJECT_SOURCE_DIR}/data/package")
set(mekira_package_out "${PROJECT_BINARY_DIR}/package")

# --- AppStream metainfo: the software centre's name, summary and screenshot -----------
set(mekira_metainfo "${mekira_package_out}/${MEKIRA_APPSTREAM_ID}.metainfo.xml")
configure_file("${PROJECT_SOURCE_DIR}/data/mekira.metainfo.xml.in" "${mekira_metainfo}" @ONLY)
install(FILES "${mekira_metainfo}" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# --- copyright: our code, and the postal table under the licence its README carries ----
# The README holds the licence text in a fenced block whose first line after the title is
# the copyright line; the data update script writes it, so both stay in step.
file(READ "${PROJECT_SOURCE_DIR}/data/postal/README.md" mekira_postal_readme)
if(NOT mekira_postal_readme MATCHES "```\nMIT License\n\nCopyright ([^\n]+)\n\n([^`]+)```")
  message(FATAL_ERROR "data/postal/README.md: no MIT licence block found")
endif()
set(MEKIRA_POSTAL_COPYRIGHT "${CMAKE_MATCH_1}")
# A licence paragraph of the copyright format: each line indented, empty lines as " .".
string(STRIP "${CMAKE_MATCH_2}" mekira_postal_terms)
string(REGEX REPLACE "\n\n" "\n.\n" mekira_postal_terms "${mekira_postal_terms}")
string(REPLACE "\n" "\n " MEKIRA_POSTAL_LICENSE " ${mekira_postal_terms}")
configure_file("${mekira_package_data}/copyright.in" "${mekira_package_out}/copyright" @ONLY)

# Documentation is installed compressed as Debian wants it: gzip -9, and -n for no time
# stamp, so that the same text gives the same bytes.
function(mekira_gzip input output)
  execute_process(COMMAND gzip -9 -n -c "${input}" OUTPUT_FILE "${output}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${input}: ${result}")
  endif()
endfunction()

# --- changelog.gz: Debian's tools want one -------------------------------------------------
configure_file("${mekira_package_data}/changelog.in" "${mekira_package_out}/changelog" @ONLY)
mekira_gzip("${mekira_package_out}/changelog" "${mekira_package_out}/changelog.gz")
install(FILES "${mekira_package_out}/copyright" "${mekira_package_out}/changelog.gz"
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- The manual page: one for both commands, the launcher's name a link to it ------------
mekira_gzip("${mekira_package_data}/mekira.1" "${mekira_package_out}/mekira.1.gz")
file(CREATE_LINK mekira.1.gz "${mekira_package_out}/mekira-desktop.1.gz" SYMBOLIC)
install(FILES "${mekira_package_out}/mekira.1.gz" "${mekira_package_out}/mekira-desktop.1.gz"
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# --- The Debian package ------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mekira)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${MEKIRA_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX "${PROJECT_SOURCE_DIR}/dist")
# The debugging information of RelWithDebInfo stays in the build tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # mekira_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MEKIRA_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis, then the long description: English, then Japanese.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Yu-Pack parcel slip printer
Fills in the recipient, sender, goods and delivery date of a Yu-Pack parcel
slip and prints them on the pre-printed form. Made for small shops and
private sellers: an order e-mail pasted in fills the recipient fields, the
address comes from the postal code, and shop order exports (CSV, TSV) print
in one batch.

ゆうパックの送り状（印刷済みの専用用紙）に、お届け先・ご依頼主・
品名・お届け日時を印字します。注文メールの貼り付けによるお届け先の
振り分け、郵便番号からの住所入力、ショップの注文ファイル（CSV・
TSV）のまとめ印刷ができます。")
# The libraries the program links to, as dpkg-shlibdeps finds them (Qt, libcups2 for the
# CUPS client, libc); the xcb platform plugin comes with libqt6gui6 on Debian 12. Then what
# it loads by name at run time: the SQL drivers, the fonts the slips and the window are
# set in, and the Japanese texts of Qt's own dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, libqt6sql6-psql, fonts-ipafont-gothic, fonts-ipafont-mincho, fonts-ipamj-mincho, fonts-dejavu-core, qt6-translations-l10n")
# Printing needs a CUPS server, here or on the network; PDFs and the web page open
# through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, xdg-utils")
include(CPack)
