# The Windows zip's contents besides the programs (included from
# packaging/CMakeLists.txt). With the desktop app: the Qt DLLs and the plugins
# it loads, MinGW's runtime DLLs that Qt's DLLs import, qt.conf, Qt's own
# translations and the licence texts with the pointer to Qt's exact source.
# scripts/test-windows.sh reads every import table in the zip and fails on a
# DLL that is neither in it nor part of Windows.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES copyright DESTINATION licenses RENAME AUCT.txt)

if(NOT TARGET auct OR NOT AULIRA_QT_WINDOWS)
  # A build on Windows itself deploys its Qt with windeployqt.
  return()
endif()

set(qt ${AULIRA_QT_WINDOWS})
install(FILES ${qt}/bin/Qt6Core.dll ${qt}/bin/Qt6Gui.dll ${qt}/bin/Qt6Widgets.dll DESTINATION .)
# Plugins in the folders Qt looks for beside the program (qt.conf: Plugins = .).
install(FILES ${qt}/plugins/platforms/qwindows.dll DESTINATION platforms)
file(GLOB qt_styles ${qt}/plugins/styles/*.dll)
file(GLOB qt_image_formats ${qt}/plugins/imageformats/*.dll)
install(FILES ${qt_styles} DESTINATION styles)
install(FILES ${qt_image_formats} DESTINATION imageformats)
install(FILES windows/qt.conf DESTINATION .)

# Qt's DLLs are built against MinGW's shared runtime (the programs link it in).
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "MinGW's ${dll} not found (${CMAKE_CXX_COMPILER} -print-file-name)")
  endif()
  install(FILES ${path} DESTINATION .)
endforeach()

# Qt's own texts (standard buttons, file dialogs) in Chinese, from the host's
# Qt translations of the same version.
find_file(AULIRA_QTBASE_ZH_QM qtbase_zh_CN.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(AULIRA_QTBASE_ZH_QM)
  install(FILES ${AULIRA_QTBASE_ZH_QM} DESTINATION translations)
else()
  message(WARNING "qtbase_zh_CN.qm not found (qt6-translations-l10n): Qt's own texts stay English in the zip")
endif()

# Licences: Qt under the LGPL 3 with the exact source it was built from;
# MinGW's runtime.
install(FILES windows/THIRD-PARTY.txt DESTINATION licenses)
install(FILES ${qt}/aulira-qt-source.txt DESTINATION licenses/qt RENAME SOURCE.txt)
install(FILES ${qt}/licenses/LGPL-3.0-only.txt ${qt}/licenses/GPL-3.0-only.txt ${qt}/licenses/BSD-3-Clause.txt
              ${qt}/licenses/MIT.txt ${qt}/licenses/debian-copyright.txt
        DESTINATION licenses/qt)
install(FILES /usr/share/doc/gcc-mingw-w64-base/copyright DESTINATION licenses/mingw RENAME gcc-runtime.txt)
install(FILES /usr/share/doc/mingw-w64-common/copyright DESTINATION licenses/mingw RENAME mingw-w64.txt)
