list(APPEND CLASSLIB_WIN_SOURCES
  Controls.cpp
  Forms.cpp
  ExtCtrls.cpp
  Seams.cpp
)
