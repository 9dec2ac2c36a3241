# The ActiveX control host and the web-browser control.
list(APPEND CLASSLIB_WIN_SOURCES
  OleCtrls.cpp
  WebBrowser.cpp
)
