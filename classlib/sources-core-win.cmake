list(APPEND CLASSLIB_WIN_SOURCES
  IniFiles.cpp
  Registry.cpp
)
