list(APPEND CLASSLIB_WIN_SOURCES
  Menus.cpp
  StdCtrls.cpp
  ExtCtrlsPanels.cpp
  ComCtrls.cpp
)
list(APPEND CLASSLIB_WIN_SOURCES
  ImgList.cpp
)
