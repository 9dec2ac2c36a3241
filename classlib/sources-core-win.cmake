list(APPEND CLASSLIB_WIN_SOURCES
  IniFiles.cpp
  ModuleFile.cpp
  Registry.cpp
  SysUtilsWin.cpp
)
