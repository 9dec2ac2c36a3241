list(APPEND CLASSLIB_WIN_SOURCES
  ComServ.cpp
  AutoObj.cpp
  OleErrors.cpp
)
