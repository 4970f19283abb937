# The Debian package for range PCs: `cpack -G DEB` in the build tree (or the
# `package` target, or scripts/package) makes kavro_<version>_<arch>.deb
# from the install rules, with the program, the tool, the desktop entry, the
# icon and the udev rule under /usr.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kavrolab)
# The maintainer's address is a placeholder until the project has its own.
set(CPACK_PACKAGE_CONTACT "Kavrolab <kavro@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "electronic shooting trainer with optical sensors")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows where the weapon points on a to-scale target face while the shooter\n"
    "aims, detects and scores shots with decimal ring scoring on up to six lanes,\n"
    "keeps sessions, shooters and competitions in SQLite or on a club's\n"
    "PostgreSQL server, and prints session sheets, protocols and paper targets.\n"
    "Includes kavro, the headless companion tool.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The libraries the binaries link come from dpkg-shlibdeps; what Qt loads by
# name at run time is listed here: the QML modules main.qml and its pages
# import (with those the Qt Quick modules import in turn), the SQL drivers
# for the local file and the club server, and the platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS
    qml6-module-qtquick
    qml6-module-qtquick-controls
    qml6-module-qtquick-templates
    qml6-module-qtquick-layouts
    qml6-module-qtquick-window
    qml6-module-qtqml-models
    qml6-module-qtqml-workerscript
    qml6-module-qt-labs-platform
    libqt6sql6-sqlite
    libqt6sql6-psql
    qt6-qpa-plugins)
# Qt Multimedia's GStreamer backend, and fonts with Cyrillic glyphs for the
# Russian interface and the printouts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-base, fonts-dejavu-core")

# Reload the udev rules after installing and removing, so that the sensor
# rule takes effect without plugging the sensor in again.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# `package_source` leaves out the repository and the build trees.
set(CPACK_SOURCE_IGNORE_FILES "/\\.git(/|$)" "/build[^/]*/")

include(CPack)
