# The Windows installer: the program with what it needs to run beside it, a
# Start-menu entry, and the data directory made writable for the operators.

# Qt's libraries, and the plugins it loads at start: the window system, the
# style and the printers, in <prefix>/plugins. This Qt keeps the prefix it
# was built with, a path of the build machine; qt.conf beside the program
# names the installed one.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/qt.conf "[Paths]\nPrefix = ..\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qt.conf DESTINATION bin)
foreach(module Core Gui Widgets PrintSupport)
  install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION bin)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION plugins/platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION plugins/styles)
endif()
if(TARGET Qt6::QWindowsPrinterSupportPlugin)
  install(FILES $<TARGET_FILE:Qt6::QWindowsPrinterSupportPlugin> DESTINATION plugins/printsupport)
endif()
if(TARGET Qt6::QICOPlugin)
  install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION plugins/imageformats)
endif()

# The MinGW runtime the program and Qt are linked against.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "MinGW runtime ${dll} not found (${path})")
  endif()
  install(FILES "${path}" DESTINATION bin)
endforeach()

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME veltar-terminal)
set(CPACK_PACKAGE_VENDOR Veltar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Veltar)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Veltar)
set(CPACK_NSIS_PACKAGE_NAME "Вельтарские весы")
set(CPACK_NSIS_DISPLAY_NAME "Вельтарские весы")
set(CPACK_PACKAGE_EXECUTABLES veltar-terminal "Вельтарские весы")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\veltar-terminal.exe")
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/packaging/veltar-terminal.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/packaging/veltar-terminal.ico)
# A 64-bit program: a 32-bit installer would land in "Program Files (x86)"
# and see the 32-bit view of the registry.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# The installer's own template (NSIS.template.in here): Russian throughout,
# and it handles upgrades and the data directory's rights.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_MODULE_PATH})
list(JOIN VELTAR_WINDOWS_VERSION "." CPACK_VELTAR_FILE_VERSION)
include(CPack)
